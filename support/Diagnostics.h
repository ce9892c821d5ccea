// Diagnostics of the support library: printf-style text for the debugger, never shown to the user.
#pragma once
#include <cstddef>

namespace kestrova {

// Receives one finished diagnostic text. On Windows the default sink is OutputDebugStringA;
// natively it discards, so that tests can install their own.
using KVDiagnosticSink = void (*)(const char* text);

// Replaces the sink (null restores the default) and returns the previous one.
KVDiagnosticSink KVSetDiagnosticSink(KVDiagnosticSink sink);

// Formats printf-style into a buffer of `capacity` bytes at most (longer text is cut) and passes it to the sink
// and to the run's log, when one is kept.
void KVDiagnosticN(std::size_t capacity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The usual 1 KB diagnostic, e.g. KVDiagnostic("ERROR: %s: GetModuleFileName failed, err=0x%08x\n", ...).
inline constexpr std::size_t kKVDiagnosticCapacity = 1024;
#define KVDiagnostic(...) ::kestrova::KVDiagnosticN(::kestrova::kKVDiagnosticCapacity, __VA_ARGS__)

}  // namespace kestrova
