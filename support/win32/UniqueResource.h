// Typed RAII owners for Win32 resources: one owner per kind, released on every path.
#pragma once
#include <windows.h>

#include <utility>

namespace kestrova {

// One owner template for every kind: `Traits` names the type, its empty value and how it is released.
template <class Traits>
class KVUniqueResource {
 public:
  using T = typename Traits::Type;

  KVUniqueResource() noexcept = default;
  explicit KVUniqueResource(T value) noexcept : value_(value) {}
  KVUniqueResource(KVUniqueResource&& other) noexcept : value_(other.release()) {}
  KVUniqueResource& operator=(KVUniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  KVUniqueResource(const KVUniqueResource&) = delete;
  KVUniqueResource& operator=(const KVUniqueResource&) = delete;
  ~KVUniqueResource() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
  T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) noexcept {
    const T old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For out-parameters of creating calls; releases what is held first.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::Invalid();
};

namespace detail {
template <class T, void (*Release)(T) noexcept>
struct NullIsEmpty {
  using Type = T;
  static constexpr T Invalid() noexcept { return nullptr; }
  static void Close(T value) noexcept { Release(value); }
};
inline void CloseHandleNoResult(HANDLE h) noexcept { ::CloseHandle(h); }
inline void FreeLibraryNoResult(HMODULE m) noexcept { ::FreeLibrary(m); }
inline void LocalFreeNoResult(HLOCAL p) noexcept { ::LocalFree(p); }
inline void DestroyWindowNoResult(HWND w) noexcept { ::DestroyWindow(w); }
inline void RegCloseKeyNoResult(HKEY k) noexcept { ::RegCloseKey(k); }
inline void CoTaskMemFreeNoResult(wchar_t* p) noexcept { ::CoTaskMemFree(p); }
template <void (*Release)(HANDLE) noexcept>
struct InvalidHandleIsEmpty {
  using Type = HANDLE;
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { Release(h); }
};
inline void FindCloseNoResult(HANDLE h) noexcept { ::FindClose(h); }
}  // namespace detail

// Handles whose empty value is null (threads, events, processes).
using KVUniqueHandle = KVUniqueResource<detail::NullIsEmpty<HANDLE, &detail::CloseHandleNoResult>>;
// File handles, whose empty value is INVALID_HANDLE_VALUE.
using KVUniqueFile = KVUniqueResource<detail::InvalidHandleIsEmpty<&detail::CloseHandleNoResult>>;
// FindFirstFileW searches, whose empty value is INVALID_HANDLE_VALUE.
using KVUniqueFindHandle = KVUniqueResource<detail::InvalidHandleIsEmpty<&detail::FindCloseNoResult>>;
using KVUniqueModule = KVUniqueResource<detail::NullIsEmpty<HMODULE, &detail::FreeLibraryNoResult>>;
using KVUniqueLocalMemory = KVUniqueResource<detail::NullIsEmpty<HLOCAL, &detail::LocalFreeNoResult>>;
using KVUniqueWindow = KVUniqueResource<detail::NullIsEmpty<HWND, &detail::DestroyWindowNoResult>>;
using KVUniqueRegKey = KVUniqueResource<detail::NullIsEmpty<HKEY, &detail::RegCloseKeyNoResult>>;
// Text that the system allocated with the COM task allocator (SHGetKnownFolderPath and the like).
using KVUniqueCoTaskMemString = KVUniqueResource<detail::NullIsEmpty<wchar_t*, &detail::CoTaskMemFreeNoResult>>;

}  // namespace kestrova
