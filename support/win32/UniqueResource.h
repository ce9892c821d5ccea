// Typed RAII owners for Win32 resources: one owner per kind, released on every path.
#pragma once
#include <windows.h>

#include "support/UniqueResource.h"

namespace kestrova {

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
template <class T>
void CoTaskMemFreeNoResult(T* p) noexcept {
  ::CoTaskMemFree(p);
}
// OLE initialised on this thread: the value says whether OleInitialize succeeded and needs its OleUninitialize.
struct OleInitialization {
  using Type = bool;
  static constexpr bool Invalid() noexcept { return false; }
  static void Close(bool) noexcept { ::OleUninitialize(); }
};
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
// Memory that the system allocated with the COM task allocator (SHGetKnownFolderPath's text, item id lists).
template <class T>
using KVUniqueCoTaskMemory = KVUniqueResource<detail::NullIsEmpty<T*, &detail::CoTaskMemFreeNoResult<T>>>;
using KVUniqueCoTaskMemString = KVUniqueCoTaskMemory<wchar_t>;
// `KVUniqueOleInitialization ole(SUCCEEDED(::OleInitialize(nullptr)));`
using KVUniqueOleInitialization = KVUniqueResource<detail::OleInitialization>;

}  // namespace kestrova
