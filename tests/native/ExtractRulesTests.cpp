// The portable rules of the extraction and cleanup: item path safety, the sibling archive, path forms, the retry.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "extract/CleanupRetry.h"
#include "extract/FullPath.h"
#include "extract/ItemPath.h"
#include "extract/SiblingArchive.h"
#include "support/Text.h"

using namespace kestrova;

TEST(ItemPath, PartsAndOnlyPathsThatStayInsideTheTargetAreSafe) {
  // Split at both separators, without empty parts.
  using Parts = std::vector<std::u16string_view>;
  EXPECT_EQ(SplitItemPath(u"a\\b/c.txt"), (Parts{u"a", u"b", u"c.txt"}));
  EXPECT_EQ(SplitItemPath(u"a\\\\b\\"), (Parts{u"a", u"b"}));
  EXPECT_TRUE(SplitItemPath(u"\\/").empty() && SplitItemPath(u"").empty());
  for (const char16_t* path : {u"setup.msi", u"sub\\dir/file..txt", u"..name\\x", u"a.\\b", u"x\\...y",
                               u"file.txt:stream", u"console.txt", u"COM10", u"nul2", u"LPT", u"Default",
                               u"./setup.msi", u"a\\.\\b", u"a/."}) {
    EXPECT_TRUE(IsSafeItemPath(path)) << Utf16ToUtf8(path);
  }
  for (const char16_t* path : {
           u"..\\evil.dll", u"a/../../evil.dll", u"a\\..", u"..", u"...\\x", u". .\\x", u"./..\\x",
           u"..:stream\\x", u".:s\\x", u"a/:s",  // climbing, folded away by Win32, a folder's stream
           u".", u"./.",                                                     // the target folder itself
           u"\\Windows\\evil.dll", u"/etc/passwd", u"\\\\server\\share\\x",  // absolute and network paths
           u"\\\\?\\C:\\evil", u"\\\\.\\PhysicalDrive0",                      // extended-length and device forms
           u"C:evil.dll", u"c:\\evil.dll",                                   // drive prefixes
           u"CON", u"a\\nul.txt", u"Aux .log", u"com1", u"LPT9.x", u"COM\u00B9", u"conout$", u"prn:s",  // devices
           u""}) {
    EXPECT_FALSE(IsSafeItemPath(path)) << Utf16ToUtf8(path);
  }
  // "." parts go with their separator; what stays is judged as before.
  const std::pair<const char16_t*, const char16_t*> withoutDots[] = {
      {u"./a/./b", u"a/b"}, {u".\\a\\.", u"a"}, {u"a/./", u"a/"}, {u".", u""}, {u"./", u""},
      {u"/./a", u"/a"}, {u"../.", u".."}, {u".a/b.", u".a/b."}, {u"C:./x", u"C:./x"}};
  for (const auto& [path, kept] : withoutDots) EXPECT_EQ(WithoutDotParts(path), kept) << Utf16ToUtf8(path);
}

TEST(SiblingArchive, OnlyAnExeIsServedByItsNeighbours) {
  using Paths = std::vector<std::u16string>;
  EXPECT_EQ(SiblingArchivePaths(u"C:\\d\\Setup.EXE"), (Paths{u"C:\\d\\Setup.7z.001", u"C:\\d\\Setup.7z"}));
  EXPECT_EQ(SiblingArchivePaths(u"x.exe"), (Paths{u"x.7z.001", u"x.7z"}));
  for (const char16_t* path : {u".exe", u"setup.bin", u"setup.exe.bak", u"setupexe", u""}) {
    EXPECT_TRUE(SiblingArchivePaths(path).empty()) << Utf16ToUtf8(path);
  }
}

TEST(FullPath, ExtendedLengthFormAndRoots) {
  // The path, its extended-length form, and whether it is a root folder.
  const std::tuple<const char16_t*, const char16_t*, bool> cases[] = {
      {u"C:\\Temp\\x", u"\\\\?\\C:\\Temp\\x", false}, {u"C:\\", u"\\\\?\\C:\\", true}, {u"c:", u"c:", true},
      {u"\\\\server\\share\\x", u"\\\\?\\UNC\\server\\share\\x", false},
      {u"\\\\server\\share", u"\\\\?\\UNC\\server\\share", true},
      {u"\\\\?\\C:\\x", u"\\\\?\\C:\\x", false}, {u"\\\\?\\D:\\", u"\\\\?\\D:\\", true},
      {u"\\\\?\\UNC\\server\\share\\", u"\\\\?\\UNC\\server\\share\\", true},
      {u"\\\\.\\pipe\\x", u"\\\\.\\pipe\\x", false}, {u"relative\\x", u"relative\\x", false},
  };
  for (const auto& [path, extended, isRoot] : cases) {
    EXPECT_EQ(ToExtendedLengthPath(path), extended) << Utf16ToUtf8(path);
    EXPECT_EQ(IsRootFolder(path), isRoot) << Utf16ToUtf8(path);
  }
  EXPECT_EQ(WithoutTrailingSeparators(u"C:\\x\\\\"), u"C:\\x");
  EXPECT_EQ(WithoutTrailingSeparators(u"C:\\\\"), u"C:\\");
  EXPECT_EQ(WithoutTrailingSeparators(u"\\\\?\\C:\\"), u"\\\\?\\C:\\");
}

namespace {

// A clock that only the sleeps move; the folders go at a given pass, or a pass fails.
struct FakeRetryHost final : CleanupRetryHost {
  std::uint32_t goneAtPass, failingPass, passes = 0;
  std::uint64_t now = 123456;
  std::vector<std::uint32_t> sleeps;

  FakeRetryHost(std::uint32_t gone, std::uint32_t failing) : goneAtPass(gone), failingPass(failing) {}
  std::uint64_t NowMs() override { return now; }
  void Sleep(std::uint32_t milliseconds) override {
    now += milliseconds;
    sleeps.push_back(milliseconds);
  }
  KVResult RemoveEmptyFolders(std::uint32_t& remaining) override {
    remaining = ++passes >= goneAtPass ? 0 : 2;
    return passes == failingPass ? KV_E_ENTRY_LEFT : KV_OK;
  }
};

}  // namespace

TEST(CleanupRetry, StepsOf50MsUntilTheFoldersGoAPassFailsOr5Seconds) {
  // The pass at which the folders go, the pass that fails (0: none), and the passes made.
  const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> cases[] = {
      {1, 0, 1},       // gone at the first pass
      {3, 0, 3},       // gone once the pending files have closed
      {1000, 2, 2},    // a system file stays: the pass reports it and the retry ends
      {1000, 0, 100},  // never gone: 100 passes of 50 ms make the 5 s
  };
  for (const auto& [gone, failing, passes] : cases) {
    FakeRetryHost host(gone, failing);
    EXPECT_EQ(RetryRemovingFolders(host), passes);
    EXPECT_EQ(host.sleeps, std::vector<std::uint32_t>(passes, 50u));
  }
}
