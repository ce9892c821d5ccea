// The system's own 32-bit result codes. 0 is success; Win32 errors and HRESULTs pass through unchanged.
#pragma once
#include <cstdint>

namespace kestrova {

using KVResult = std::uint32_t;

inline constexpr KVResult KV_OK = 0;

// Support library and lower layers (0xEE0000xx).
inline constexpr KVResult KV_E_FAIL = 0xEE000001;
inline constexpr KVResult KV_E_TIMEOUT = 0xEE000003;
inline constexpr KVResult KV_E_ALREADY_INITIALIZED = 0xEE000004;
inline constexpr KVResult KV_E_CANCELLED = 0xEE000005;
inline constexpr KVResult KV_E_IN_USE = 0xEE000008;
inline constexpr KVResult KV_E_STILL_RUNNING = 0xEE000009;
inline constexpr KVResult KV_E_MISSING_ARGUMENT = 0xEE000010;
inline constexpr KVResult KV_E_MISSING_OPTION = 0xEE000011;
inline constexpr KVResult KV_E_MISSING_VALUE = 0xEE000012;
inline constexpr KVResult KV_E_UNKNOWN_OPTION = 0xEE000013;
inline constexpr KVResult KV_E_EMPTY_HANDLE = 0xEE000033;
inline constexpr KVResult KV_E_NOT_FOUND = 0xEE000039;
inline constexpr KVResult KV_E_DUPLICATE = 0xEE00003D;
inline constexpr KVResult KV_E_INVALID_VALUE = 0xEE000041;
inline constexpr KVResult KV_E_REGISTRY_TYPE = 0xEE000046;
inline constexpr KVResult KV_E_INVALID_DATA = 0xEE000051;
inline constexpr KVResult KV_E_NO_UNIQUE_MATCH = 0xEE000052;
inline constexpr KVResult KV_E_XML_MALFORMED = 0xEE000057;
inline constexpr KVResult KV_E_OUT_OF_RANGE = 0xEE000067;
inline constexpr KVResult KV_E_UNEXPECTED_ARGUMENT = 0xEE000084;
inline constexpr KVResult KV_E_XML_LOAD = 0xEE000091;
inline constexpr KVResult KV_E_XML_SAVE = 0xEE000092;
inline constexpr KVResult KV_E_ENTRY_LEFT = 0xEE000094;
inline constexpr KVResult KV_E_FOLDER_NOT_EMPTY = 0xEE000095;
inline constexpr KVResult KV_E_ADMIN_REQUIRED = 0xEE000110;

// Run-level codes of the application (0xEE0020xx).
inline constexpr KVResult KV_E_NO_CONFIGURATION = 0xEE002002;
inline constexpr KVResult KV_E_BAD_COMMAND_LINE = 0xEE002003;
inline constexpr KVResult KV_E_UNSUPPORTED_SYSTEM = 0xEE002004;
inline constexpr KVResult KV_E_INVALID_TARGET = 0xEE002005;
inline constexpr KVResult KV_E_ELEVATION_DECLINED = 0xEE002006;
inline constexpr KVResult KV_E_TARGET_TOO_LONG = 0xEE002007;

// Run-time library error numbers e are reported as 0xE0010000 + e.
inline constexpr KVResult KV_CRT_ERROR_BASE = 0xE0010000;
constexpr KVResult KVFromErrno(int e) { return KV_CRT_ERROR_BASE + static_cast<KVResult>(e); }

// Win32 codes the application singles out; the same values on every platform.
inline constexpr KVResult KV_WIN32_FILE_NOT_FOUND = 2;           // ERROR_FILE_NOT_FOUND
inline constexpr KVResult KV_WIN32_ACCESS_DENIED = 5;            // ERROR_ACCESS_DENIED
inline constexpr KVResult KV_HRESULT_ACCESS_DENIED = 0x80070005; // E_ACCESSDENIED
inline constexpr KVResult KV_WIN32_DIRECTORY = 267;              // ERROR_DIRECTORY
inline constexpr KVResult KV_WIN32_CANCELLED = 1223;             // ERROR_CANCELLED: an elevation prompt declined
// The exit code GetExitCodeProcess reports for a process that has not ended (STILL_ACTIVE).
inline constexpr std::uint32_t KV_EXIT_STILL_ACTIVE = 259;

}  // namespace kestrova
