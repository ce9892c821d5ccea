// How much memory the decoders may take: the stub is a 32-bit process, so multi-threaded decoding of big blocks
// is bounded to leave address space for everything else.
#pragma once
#include "Common/Common.h"  // the archive library's headers come before <windows.h>

#include "7zip/Archive/IArchive.h"

#include <cstdint>

// The LZMA2 decoder runs as many threads as processors, each holding one block in and one block out (a block is
// 4 times the dictionary, 1 to 256 MiB); it starts only as many as fit this budget, one at least. A single
// thread needs the dictionary and small buffers only.
inline constexpr std::uint64_t kDecoderMemoryBudget = std::uint64_t{512} << 20;

// Hands the budget to an archive handler, with `threads` decoder threads instead of one per processor when it is
// not 0; S_OK or the handler's error.
HRESULT ApplyDecoderSettings(IInArchive* archive, UInt32 threads = 0);
