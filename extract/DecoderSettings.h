// How the archive library decodes the payload: how much memory its decoders may take and on how many threads.
#pragma once
#include "Common/Common.h"  // the archive library's headers come before <windows.h>

#include "7zip/Archive/IArchive.h"

#include <cstdint>

// The LZMA2 decoder runs as many threads as processors, each holding one block in and one block out (a block is
// 4 times the dictionary, 1 to 256 MiB); it starts only as many as fit this budget, one at least. The stub is a
// 32-bit process, so the budget leaves address space for everything else. The library's multi-threaded decoder
// carries our fix for a block decoded without its preparation (patches/).
inline constexpr std::uint64_t kDecoderMemoryBudget = std::uint64_t{512} << 20;

// Hands the budget to an archive handler, with `threads` decoder threads instead of one per processor when it is
// not 0; S_OK or the handler's error.
HRESULT ApplyDecoderSettings(IInArchive* archive, UInt32 threads = 0);
