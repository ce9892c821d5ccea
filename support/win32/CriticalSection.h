// A critical section with scoped locking.
#pragma once
#include <windows.h>

namespace kestrova {

class KVCriticalSection {
 public:
  KVCriticalSection() noexcept { ::InitializeCriticalSection(&section_); }
  ~KVCriticalSection() { ::DeleteCriticalSection(&section_); }
  KVCriticalSection(const KVCriticalSection&) = delete;
  KVCriticalSection& operator=(const KVCriticalSection&) = delete;

  class Lock {
   public:
    explicit Lock(KVCriticalSection& cs) noexcept : cs_(cs) { ::EnterCriticalSection(&cs_.section_); }
    ~Lock() { ::LeaveCriticalSection(&cs_.section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    KVCriticalSection& cs_;
  };
  [[nodiscard]] Lock Acquire() noexcept { return Lock(*this); }

 private:
  CRITICAL_SECTION section_;
};

}  // namespace kestrova
