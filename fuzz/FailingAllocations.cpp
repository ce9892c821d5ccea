#include "fuzz/FailingAllocations.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

// No single allocation above 512 MiB succeeds: it fails as it may in the 32-bit stub (a claimed 4 GiB dictionary)
// instead of ending the run. A data race (between the threads of a chain of coders) ends a run of the
// ThreadSanitizer build. Called before the sanitizer is set up, so not instrumented.
extern "C" __attribute__((disable_sanitizer_instrumentation)) const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=512";
}
extern "C" __attribute__((disable_sanitizer_instrumentation)) const char* __tsan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=512:halt_on_error=1";
}

// The C allocations of the library (malloc, posix_memalign) reach these through the linker's --wrap.
extern "C" void* __real_malloc(std::size_t size);
extern "C" int __real_posix_memalign(void** address, std::size_t alignment, std::size_t size);

namespace {

std::atomic<unsigned> firstFailing{0};  // 0: none
std::atomic<bool> failingOnwards{false};
std::atomic<unsigned> allocations{0};

bool AllocationFails() {
  const unsigned first = firstFailing.load();
  if (first == 0) return false;
  const unsigned number = allocations.fetch_add(1) + 1;
  return number == first || (number > first && failingOnwards.load());
}

void* Allocate(std::size_t size, std::size_t alignment) noexcept {
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return __real_malloc(size);
  void* block = nullptr;
  return __real_posix_memalign(&block, std::max(alignment, sizeof(void*)), size) == 0 ? block : nullptr;
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  if (void* block = Allocate(size, alignment)) return block;
  throw std::bad_alloc();
}

}  // namespace

void FailAllocations(unsigned first, bool onwards) {
  firstFailing = 0;
  allocations = 0;
  failingOnwards = onwards;
  firstFailing = first;
}

void StopFailingAllocations() { firstFailing = 0; }

extern "C" void* __wrap_malloc(std::size_t size) { return AllocationFails() ? nullptr : __real_malloc(size); }

extern "C" int __wrap_posix_memalign(void** address, std::size_t alignment, std::size_t size) {
  if (!AllocationFails()) return __real_posix_memalign(address, alignment, size);
  *address = nullptr;
  return ENOMEM;
}

// Operator new as the stub's C++ run-time has it: std::bad_alloc when memory is short (here above the sanitizer's
// 512 MiB limit), which the library turns into E_OUTOFMEMORY; the sanitizers' own end the run instead. Headers that
// claim huge counts make the library ask for gigabytes before it checks them against the data. These allocations
// are never made to fail on purpose. ThreadSanitizer's run-time always brings its own operator new, which ends the
// run on such inputs (the regress-huge-* seeds).
#if !__has_feature(thread_sanitizer)
void* operator new(std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
#endif
