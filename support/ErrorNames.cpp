#include "support/ErrorNames.h"

#include <array>

namespace kestrova {
namespace {

constexpr std::array<KVErrorCodeInfo, 32> kErrorCodes{{
    {KV_E_FAIL, "KV_E_FAIL", "general failure"},
    {KV_E_TIMEOUT, "KV_E_TIMEOUT", "a wait timed out"},
    {KV_E_ALREADY_INITIALIZED, "KV_E_ALREADY_INITIALIZED", "already initialised"},
    {KV_E_CANCELLED, "KV_E_CANCELLED", "cancelled by the user"},
    {KV_E_IN_USE, "KV_E_IN_USE", "already started or in use"},
    {KV_E_STILL_RUNNING, "KV_E_STILL_RUNNING", "a process's exit code was read while it still ran"},
    {KV_E_MISSING_ARGUMENT, "KV_E_MISSING_ARGUMENT", "a required argument or item is missing"},
    {KV_E_MISSING_OPTION, "KV_E_MISSING_OPTION", "a required option is missing"},
    {KV_E_MISSING_VALUE, "KV_E_MISSING_VALUE", "an option lacks its value"},
    {KV_E_UNKNOWN_OPTION, "KV_E_UNKNOWN_OPTION", "unknown option"},
    {KV_E_EMPTY_HANDLE, "KV_E_EMPTY_HANDLE", "the object operated on does not exist"},
    {KV_E_NOT_FOUND, "KV_E_NOT_FOUND", "not found, or a required attribute or Id is absent"},
    {KV_E_DUPLICATE, "KV_E_DUPLICATE", "duplicate entry"},
    {KV_E_INVALID_VALUE, "KV_E_INVALID_VALUE", "invalid or conflicting value, or an empty argument"},
    {KV_E_REGISTRY_TYPE, "KV_E_REGISTRY_TYPE", "a registry value has the wrong type"},
    {KV_E_INVALID_DATA, "KV_E_INVALID_DATA", "invalid data: the document breaks a rule (text, keyword or number)"},
    {KV_E_NO_UNIQUE_MATCH, "KV_E_NO_UNIQUE_MATCH", "no unique match, or nothing to choose from"},
    {KV_E_XML_MALFORMED, "KV_E_XML_MALFORMED", "the XML document is not well-formed"},
    {KV_E_OUT_OF_RANGE, "KV_E_OUT_OF_RANGE", "number out of range"},
    {KV_E_UNEXPECTED_ARGUMENT, "KV_E_UNEXPECTED_ARGUMENT", "unexpected argument"},
    {KV_E_XML_LOAD, "KV_E_XML_LOAD", "the XML file could not be loaded"},
    {KV_E_XML_SAVE, "KV_E_XML_SAVE", "the XML file could not be saved"},
    {KV_E_ENTRY_LEFT, "KV_E_ENTRY_LEFT", "folder deletion: an entry was left alone"},
    {KV_E_FOLDER_NOT_EMPTY, "KV_E_FOLDER_NOT_EMPTY", "folder deletion: the folder is not empty yet"},
    {KV_E_ADMIN_REQUIRED, "KV_E_ADMIN_REQUIRED", "administrator privileges required"},
    {KV_E_NO_CONFIGURATION, "KV_E_NO_CONFIGURATION", "the executable has no configuration resource"},
    {KV_E_BAD_COMMAND_LINE, "KV_E_BAD_COMMAND_LINE", "the command line arguments are invalid"},
    {KV_E_UNSUPPORTED_SYSTEM, "KV_E_UNSUPPORTED_SYSTEM", "the current system is not supported"},
    {KV_E_INVALID_TARGET, "KV_E_INVALID_TARGET", "the target path is invalid"},
    {KV_E_ELEVATION_DECLINED, "KV_E_ELEVATION_DECLINED", "the user declined elevation"},
    {KV_E_TARGET_TOO_LONG, "KV_E_TARGET_TOO_LONG", "the target path is longer than 248 characters"},
    {KV_OK, "KV_OK", "success"},
}};

}  // namespace

const KVErrorCodeInfo* KVFindErrorCodeInfo(KVResult code) {
  for (const KVErrorCodeInfo& info : kErrorCodes) {
    if (info.code == code) return &info;
  }
  return nullptr;
}

}  // namespace kestrova
