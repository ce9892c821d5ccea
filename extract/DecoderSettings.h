// How the archive library decodes the payload.
#pragma once
#include "Common/Common.h"  // the archive library's headers come before <windows.h>

#include "7zip/Archive/IArchive.h"

// LZMA2 is decoded on one thread. The library's multi-threaded decoder (7-Zip 26.01/26.02, C/MtDec.c) can run a
// block's decoding without its preparation when an earlier block fails meanwhile: on a damaged payload a decoder
// thread then writes through null buffers (found by payload_fuzzer; the stub crashed so under Wine). One thread
// needs the dictionary and some 15 MiB, and costs speed only on payloads packed in several LZMA2 blocks.
// S_OK or the handler's error.
HRESULT ApplyDecoderSettings(IInArchive* archive);
