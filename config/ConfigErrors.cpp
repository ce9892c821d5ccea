#include "config/ConfigErrors.h"

using namespace kestrova;

namespace {

struct Entry {
  KVResult code;
  ConfigErrorDescription description;
};

constexpr Entry kReadingCodes[] = {
    {KV_OK, {"KV_OK", "the document was read"}},
    {KV_E_NO_CONFIGURATION, {"KV_E_NO_CONFIGURATION", "the executable carries no configuration: plain extractor defaults"}},
    {KV_E_XML_MALFORMED, {"KV_E_XML_MALFORMED", "the text is not well-formed XML, is empty, or nests too deep"}},
    {KV_E_INVALID_DATA, {"KV_E_INVALID_DATA", "the document breaks a rule"}},
    {KV_E_NOT_FOUND, {"KV_E_NOT_FOUND", "a required attribute is absent, or an Id is absent or empty"}},
    {KV_E_DUPLICATE, {"KV_E_DUPLICATE", "an entry appears twice in one set"}},
    {KV_E_INVALID_VALUE, {"KV_E_INVALID_VALUE", "a second \"+\" entry of one kind on one side of an OSVersionSet"}},
    {KV_E_NO_UNIQUE_MATCH, {"KV_E_NO_UNIQUE_MATCH", "DefaultCommand names no command of its Commands"}},
    {KV_E_EMPTY_HANDLE, {"KV_E_EMPTY_HANDLE", "an element handle is empty"}},
    {KV_E_TARGET_TOO_LONG, {"KV_E_TARGET_TOO_LONG", "the current directory cannot be made absolute"}},
    {KV_E_REGISTRY_TYPE, {"KV_E_REGISTRY_TYPE", "the Windows build number in the registry is not a string"}},
    {KV_E_OUT_OF_RANGE, {"KV_E_OUT_OF_RANGE", "the Windows build number in the registry is too large"}},
    {KV_E_FAIL, {"KV_E_FAIL", "the temporary folder's path is too long"}},
};

constexpr Entry kSelectionCodes[] = {
    {KV_OK, {"KV_OK", "chosen"}},
    {KV_E_UNSUPPORTED_SYSTEM, {"KV_E_UNSUPPORTED_SYSTEM", "no option fits the system"}},
    {KV_E_BAD_COMMAND_LINE, {"KV_E_BAD_COMMAND_LINE", "the language or command asked for is not offered"}},
    {KV_E_NO_UNIQUE_MATCH, {"KV_E_NO_UNIQUE_MATCH", "no language chosen, or not exactly one option carries the tag"}},
    {KV_E_INVALID_VALUE, {"KV_E_INVALID_VALUE", "an empty language tag while the options are not language-neutral"}},
    {KV_E_MISSING_ARGUMENT, {"KV_E_MISSING_ARGUMENT", "no command named, no DefaultCommand, and not exactly one command"}},
    {KV_E_NOT_FOUND, {"KV_E_NOT_FOUND", "no command has the name asked for"}},
    {KV_E_INVALID_DATA, {"KV_E_INVALID_DATA", "a step names a command that does not exist"}},
    {KV_E_FAIL, {"KV_E_FAIL", "the command cannot run by itself (a sequence inside a sequence, or no action)"}},
};

template <std::size_t N>
ConfigErrorDescription Describe(const Entry (&entries)[N], KVResult code) {
  for (const Entry& entry : entries) {
    if (entry.code == code) return entry.description;
  }
  return {"system error", "a fact about the system could not be obtained (a Windows error code or HRESULT)"};
}

}  // namespace

ConfigErrorDescription DescribeConfigError(KVResult code) { return Describe(kReadingCodes, code); }

ConfigErrorDescription DescribeSelectionError(KVResult code) { return Describe(kSelectionCodes, code); }
