// The archive library as linked into our programs: the one format and every decoder the payload may use.
#include "Common/Common.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "7zip/Common/RegisterCodec.h"
#include "7zip/UI/Common/LoadCodecs.h"

extern unsigned g_NumCodecs;
extern const CCodecInfo* g_Codecs[];
extern unsigned g_NumHashers;
extern const CHasherInfo* g_Hashers[];

bool IsSafePath(const UString& path);

TEST(SevenZipLibrary, RegistersExactlyThe7zFormat) {
  CCodecs codecs;
  ASSERT_EQ(codecs.Load(), S_OK);
  ASSERT_EQ(codecs.Formats.Size(), 1u);
  EXPECT_EQ(std::wstring(codecs.Formats[0].Name.Ptr()), L"7z");
}

TEST(SevenZipLibrary, RegistersEveryDecoderAPayloadMayUse) {
  std::set<std::string> names;
  for (unsigned i = 0; i < g_NumCodecs; ++i) names.insert(g_Codecs[i]->Name);
  for (const char* name : {"LZMA", "LZMA2", "Copy", "BCJ", "BCJ2", "PPC", "IA64", "ARM", "ARMT", "ARM64", "SPARC",
                           "RISCV", "Swap2", "Swap4", "Delta"}) {
    EXPECT_EQ(names.count(name), 1u) << name;
  }
}

// No password is ever supplied, so an encrypted payload fails with or without the AES decoder (e2e_damaged), and
// 7z extraction checks its CRC-32s without the hasher registry: neither is linked.
TEST(SevenZipLibrary, RegistersNoDecryptionAndNoHashers) {
  for (unsigned i = 0; i < g_NumCodecs; ++i) EXPECT_STRNE(g_Codecs[i]->Name, "7zAES");
  EXPECT_EQ(g_NumHashers, 0u);
}

// The library's own check of item paths is ours (the rule: ExtractRulesTests); here that it is the one linked.
TEST(SevenZipLibrary, ItemPathsMustStayInsideTheTarget) {
  EXPECT_TRUE(IsSafePath(L"sub\\dir/file..txt"));
  EXPECT_FALSE(IsSafePath(L"a/../../evil.dll"));
}
