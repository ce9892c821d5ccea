#include "support/Diagnostics.h"

#include "support/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace kestrova {
namespace {

void DefaultSink(const char* text) {
#if defined(_WIN32)
  OutputDebugStringA(text);
#else
  (void)text;
#endif
}

std::atomic<KVDiagnosticSink> g_sink{&DefaultSink};

}  // namespace

KVDiagnosticSink KVSetDiagnosticSink(KVDiagnosticSink sink) {
  return g_sink.exchange(sink ? sink : &DefaultSink);
}

void KVDiagnosticN(std::size_t capacity, const char* format, ...) {
  char stackBuffer[1024];
  std::vector<char> heapBuffer;
  char* buffer = stackBuffer;
  if (capacity > sizeof(stackBuffer)) {
    heapBuffer.resize(capacity);
    buffer = heapBuffer.data();
  }
  if (capacity == 0) return;
  va_list args;
  va_start(args, format);
#if defined(_WIN32)
  // The system C run-time's formatter: mingw's own (the C99 one that vsnprintf means in C++) brings some 25 KB
  // of floating-point formatting into the stub. Diagnostics use %s, %ls, %d, %u, %X and %.*s only.
  ::_vsnprintf(buffer, capacity - 1, format, args);
  buffer[capacity - 1] = '\0';
#else
  std::vsnprintf(buffer, capacity, format, args);
#endif
  va_end(args);
  g_sink.load()(buffer);
  KVWriteLog(buffer);
}

}  // namespace kestrova
