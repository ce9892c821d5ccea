#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "commands/Parameters.h"
#include "commands/ResolvePath.h"
#include "commands/Variables.h"
#include "support/Text.h"
#include "tests/native/LaunchFakes.h"
#include "ui/FolderChoice.h"

using namespace kestrova;
using K = VariableKind;

namespace {

struct Case {
  const char16_t* text;
  VariableKinds kinds;
  const char16_t* expected;
  const char16_t* targetPath = u"";
};

void ExpectExpansions(std::initializer_list<Case> cases, FakeFacts& facts, const ParameterStore* store = nullptr) {
  for (const Case& c : cases) {
    std::u16string text = c.text;
    EXPECT_EQ(ExpandVariables(text, c.kinds, c.targetPath, store, facts), KV_OK) << Utf16ToUtf8(c.text);
    EXPECT_EQ(Utf16ToUtf8(text), Utf16ToUtf8(c.expected));
  }
}

}  // namespace

TEST(ExpandVariables, EachKindInTheOrderGiven) {
  FakeFacts facts;
  ParameterStore store;
  for (const auto& [name, value] : {std::pair{u"ResultInstall", u"1603"}, {u"Text", u"abc"}, {u"Hex", u" 0x1A "},
                                    {u"Minus", u"-1"}, {u"X", u"${X}"}, {u"Empty", u""}}) {
    store.Set(name, value);
  }
  ExpectExpansions(
      {
          {u"/i ${SfxPath}\\setup.msi", {K::SfxPath}, u"/i C:\\Downloads\\setup.msi"},
          {u"${TargetPath}|${TargetPath}", {K::TargetPath}, u"C:\\Temp\\Setup|C:\\Temp\\Setup", u"C:\\Temp\\Setup\\\\"},
          // An inserted target path is seen by later kinds only.
          {u"${TargetPath}", kCommandVariables, u"${SfxPath}", u"${SfxPath}"},
          {u"${TargetPath}", {K::TargetPath, K::SfxPath}, u"C:\\Downloads", u"${SfxPath}"},
          {u"${SfxPath} ${sfxpath} ${SfxPath", {K::TargetPath}, u"${SfxPath} ${sfxpath} ${SfxPath"},
          {u"${FOLDERID_Fonts}\\a ${FOLDERID_desktop} ${A} ${B}", {K::KnownFolder},
           u"C:\\Windows\\Fonts\\a ${FOLDERID_desktop} ${A} ${B}"},
          {u"${FOLDERID_Templates}!${FOLDERID_Fonts", {K::KnownFolder}, u"C:\\${FOLDERID_Templates}!${FOLDERID_Fonts"},
          // The identifier ends at the first "}".
          {u"${x ${FOLDERID_Fonts}} ${FOLDERID_Fonts}", {K::KnownFolder}, u"${x ${FOLDERID_Fonts}} C:\\Windows\\Fonts"},
          {u"${ProgramFilesPath}\\V ${ProgramFilesPath}", {K::ProgramFilesPath}, u"%ProgramFiles%\\V %ProgramFiles%"},
          // Parameter names compare exactly; numbers are inserted as 0x{:08X}.
          {u"Code ${ResultInstall}", kMessageVariables, u"Code 0x00000643"},
          {u"${Text} ${Hex} ${Minus} [${Empty}] ${X}${X}", {K::Parameter}, u"abc 0x0000001A 0xFFFFFFFF [] ${X}${X}"},
          {u"${A} and ${Text}, ${resultinstall} ${ProgramFilesPath}", kMessageVariables,
           u"${A} and abc, ${resultinstall} %ProgramFiles%"},
      },
      facts, &store);
  EXPECT_EQ(facts.folderQueries, 3);  // names outside the table are never looked up

  facts.machine = 0;  // a native process on a 64-bit system
  facts.programFolder = u"C:\\${SfxPath}\\\\";
  ExpectExpansions({{u"${ProgramFilesPath} ${SfxPath}.", {K::ProgramFilesPath, K::SfxPath},
                     u"%ProgramW6432% C:\\${SfxPath}."}}, facts);
  facts.nativeMachine = 0x014C;  // 32-bit Windows has no %ProgramW6432%
  ExpectExpansions({{u"${ProgramFilesPath}", {K::ProgramFilesPath}, u"%ProgramFiles%"}}, facts);
}

TEST(ExpandVariables, FailuresEndTheExpansionWithTheirCode) {
  ParameterStore store;
  // The kinds, the results of the machine query and the folder lookup, the store, and the result.
  const std::tuple<VariableKinds, KVResult, KVResult, const ParameterStore*, KVResult> cases[] = {
      {{K::Parameter}, KV_OK, KV_OK, nullptr, KV_E_FAIL},
      {{static_cast<K>(5)}, KV_OK, KV_OK, &store, KV_E_FAIL},
      {{K::SfxPath, K::ProgramFilesPath, K::Parameter}, 0x7F, KV_OK, nullptr, 0x7F},  // fails without the variable
      {{K::KnownFolder, K::Parameter}, KV_OK, 0x80070005, nullptr, 0x80070005},
  };
  for (const auto& [kinds, machineResult, folderResult, parameters, expected] : cases) {
    FakeFacts facts;
    facts.machineResult = machineResult;
    facts.folderResult = folderResult;
    std::u16string text = u"${FOLDERID_Fonts}";
    EXPECT_EQ(ExpandVariables(text, kinds, u"", parameters, facts), expected);
  }
}

TEST(ResolvePath, VariablesThenEnvironmentThenAbsoluteWithinTheLimit) {
  FakeFacts facts;
  std::u16string absolute;
  for (const auto& [configured, expected] :
       {std::pair{u"${SfxPath}\\%TEMP%", u"C:\\Downloads\\C:\\Temp"}, {u"${FOLDERID_Fonts}\\x", u"C:\\Windows\\Fonts\\x"},
        {u"${ProgramFilesPath}", u"C:\\Work\\%ProgramFiles%"}, {u"${TargetPath}", u"C:\\Work\\${TargetPath}"}}) {
    EXPECT_EQ(ResolvePath(absolute, configured, facts), KV_OK);
    EXPECT_EQ(Utf16ToUtf8(absolute), Utf16ToUtf8(expected));
  }
  EXPECT_EQ(ResolvePath(absolute, u"C:\\" + std::u16string(245, u'a'), facts), KV_OK);
  EXPECT_EQ(absolute.size(), 248u);

  // Failures leave the path as it was; the earliest step's failure wins.
  absolute = u"unchanged";
  EXPECT_EQ(ResolvePath(absolute, u"C:\\" + std::u16string(246, u'a'), facts), KV_E_TARGET_TOO_LONG);
  facts.absoluteResult = 123;
  EXPECT_EQ(ResolvePath(absolute, u"x", facts), 123u);
  facts.environmentResult = 203;
  EXPECT_EQ(ResolvePath(absolute, u"x", facts), 203u);
  facts.machineResult = 0x7F;
  EXPECT_EQ(ResolvePath(absolute, u"x", facts), 0x7Fu);
  EXPECT_EQ(absolute, u"unchanged");
}

TEST(FolderDialogText, NormalisedOnEveryChange) {
  FakeFacts facts;
  for (const auto& [typed, folder] : {
           std::pair{u"%TEMP%\\", u"C:\\Temp"},  // resolved as a target path is (ResolvePath above)
           {u"D:\\setup\\\\\\", u"D:\\setup"},  // several trailing backslashes
           {u"sub\\dir\\", u"C:\\Work\\sub\\dir"},
           {u"D:\\", u"D:\\"},                  // a drive root keeps its backslash
           {u"D:\\\\", u"D:\\"},
           {u"", u""},                          // cleared: no usable folder
       }) {
    EXPECT_EQ(Utf16ToUtf8(NormalizeFolderText(typed, facts)), Utf16ToUtf8(folder)) << Utf16ToUtf8(typed);
  }
  // Longer than a target may be: still a folder, refused only at OK.
  const std::u16string long249 = u"C:\\" + std::u16string(246, u'a');
  EXPECT_EQ(NormalizeFolderText(long249 + u"\\", facts), long249);

  facts.folderResult = 0x80070002;  // a known folder without a file-system path
  EXPECT_EQ(NormalizeFolderText(u"${FOLDERID_Fonts}\\x", facts), u"");
}

TEST(FolderDialogText, LengthCheckedAtOk) {
  const std::u16string long248 = u"C:\\" + std::u16string(245, u'a');
  const std::u16string long249 = long248 + u'a';
  // The folder does not exist yet: its own length counts.
  EXPECT_TRUE(FolderLengthAccepted(FolderLengthAtOk(long248, 0, 249)));
  EXPECT_FALSE(FolderLengthAccepted(FolderLengthAtOk(long249, 0, 249)));
  // It exists: the long form counts; a too small buffer reports the size with the terminating zero.
  EXPECT_EQ(FolderLengthAtOk(u"C:\\PROGRA~1", 16, 249), 16u);
  EXPECT_TRUE(FolderLengthAccepted(FolderLengthAtOk(u"C:\\SHORT~1", 248, 249)));
  EXPECT_FALSE(FolderLengthAccepted(FolderLengthAtOk(u"C:\\SHORT~1", 250, 249)));
  EXPECT_EQ(Utf16ToUtf8(FolderTooLongMessage()),
            "The path exceeds the maximum supported length of 248 characters. Please choose another path.");
}
