// Reading the configuration resource (RCDATA 222, language 1033) from test programs that carry one variant
// each of ConfigResources.rc.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/win32/ConfigurationResource.h"
#include "support/Text.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"

using namespace kestrova;

namespace {

struct Read {
  KVResult result;
  std::string text;
};

// Reads the resource of a test program next to this one, mapped as a data file.
Read ReadFrom(const char16_t* program) {
  KVWinModuleFileName self;
  if (self.Init() != KV_OK) return {KV_E_FAIL, {}};
  const KVUniqueModule module(
      ::LoadLibraryExW(AsWide(self.Folder() + program), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return {::GetLastError(), "not loaded"};
  Read read{};
  read.result = ReadConfigurationResource(module.get(), read.text);
  return read;
}

}  // namespace

TEST(ConfigurationResource, AbsentOrUnusableResources) {
  std::string text = "stale";
  EXPECT_EQ(ReadConfigurationResource(nullptr, text), KV_E_NO_CONFIGURATION);  // this program: no RCDATA
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(ReadFrom(u"kv-res-no-rcdata.exe").result, KV_E_NO_CONFIGURATION);
  EXPECT_EQ(ReadFrom(u"kv-res-other-name.exe").result, static_cast<KVResult>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(ReadFrom(u"kv-res-other-language.exe").result, static_cast<KVResult>(ERROR_RESOURCE_LANG_NOT_FOUND));
  // An empty resource counts as none: the program runs as a plain extractor.
  EXPECT_EQ(ReadFrom(u"kv-res-empty.exe").result, KV_E_NO_CONFIGURATION);
}

TEST(ConfigurationResource, ExactBytesOfTheEnglishResource) {
  const Read read = ReadFrom(u"kv-res-configuration.exe");
  ASSERT_EQ(read.result, KV_OK);
  EXPECT_EQ(read.text, "<SelfExtractor>\xC3\xA4</SelfExtractor>\r\n");
}
