// kvsfx build and inspect in-process: icons, 7z headers, whole builds from crafted stubs, and their refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "builder/Builder.h"
#include "builder/IconFile.h"
#include "builder/Inspector.h"
#include "builder/SevenZipHeader.h"
#include "builder/SevenZipTool.h"
#include "tests/native/CraftedPe.h"

using namespace kestrova;
using namespace kestrova::testing;
namespace fs = std::filesystem;

namespace {

// A 7z archive: the start header, `packed` bytes of streams, then `nextHeader` (empty: an empty archive).
Bytes SevenZipArchive(const Bytes& nextHeader = {}, std::size_t packed = 0) {
  Bytes a{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4};
  a.resize(kSevenZipHeaderSize, 0);
  Put32(a, 12, static_cast<std::uint32_t>(packed));
  Put32(a, 20, static_cast<std::uint32_t>(nextHeader.size()));
  Put32(a, 28, Crc32(nextHeader.data(), nextHeader.size()));
  Put32(a, 8, Crc32(a.data() + 12, 20));
  a.resize(a.size() + packed, 0x11);
  a.insert(a.end(), nextHeader.begin(), nextHeader.end());
  return a;
}

// An .ico file of 32x32 images.
Bytes IconFileBytes(const std::vector<Bytes>& images) {
  Bytes file{0, 0, 1, 0};
  Append16(file, static_cast<std::uint16_t>(images.size()));
  auto offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const Bytes& image : images) {
    file.insert(file.end(), {32, 32, 0, 0, 0, 0, 0, 0});  // planes and bit count left 0
    Append32(file, static_cast<std::uint32_t>(image.size()));
    Append32(file, offset);
    offset += static_cast<std::uint32_t>(image.size());
  }
  for (const Bytes& image : images) file.insert(file.end(), image.begin(), image.end());
  return file;
}

Bytes GroupOf(std::initializer_list<std::uint16_t> ids) {
  Bytes group{0, 0, 1, 0};
  Append16(group, static_cast<std::uint16_t>(ids.size()));
  for (const std::uint16_t id : ids) {
    group.insert(group.end(), {16, 16, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0});
    Append16(group, id);
  }
  return group;
}

// A BITMAPINFOHEADER of one plane and 32 bits, without pixels.
Bytes DibImage() { return Patched(Bytes(40, 0), {{0, 40}, {12, 1, 2}, {14, 32, 2}}); }

Bytes PngImage() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0}; }

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* unit = ::testing::UnitTest::GetInstance();
    dir_ = fs::temp_directory_path() / ("kvsfx-build-test-" + std::to_string(unit->random_seed()) + "-" +
                                        unit->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // The crafted archives have headers but no items that 7-Zip could list: without 7-Zip on PATH the builds take
    // them unlisted, as on a machine without it.
    path_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", dir_.c_str(), 1);
    stub_ = CraftedPe::WithResources(ResourceTable(), false);
    stub_.resources.Set(TextResource(kRtRcData, 222, "old"));  // a configuration to replace
    options_.stubPath = Write("stub.exe", stub_.Build());
    options_.configPath = Write("setup.xml", Text(R"(<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"/>)"));
    options_.payloadPath = Write("payload.7z", SevenZipArchive(Bytes(40, 0x22), 100));
    options_.outputPath = (dir_ / "setup.exe").string();
  }
  void TearDown() override {
    setenv("PATH", path_.c_str(), 1);
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return (dir_ / name).string();
  }
  std::string WriteStub(void (*change)(CraftedPe&)) {
    CraftedPe pe = stub_;
    change(pe);
    return Write("stub" + std::to_string(++stubs_) + ".exe", pe.Build());
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  KVResult Build(BuildReport& report, std::string& error) {
    return BuildInstaller(options_, report, [](const std::string&) {}, error);
  }
  InspectReport Inspect(const std::string& path) {
    InspectReport report;
    std::string error;
    EXPECT_EQ(InspectInstaller(path, report, error), 0u) << error;
    return report;
  }

  fs::path dir_;
  std::string path_;
  CraftedPe stub_;
  BuildOptions options_;
  int stubs_ = 0;
};

}  // namespace

TEST(IconFile, ReadsImagesAndCompletesTheirFormat) {
  std::vector<IconImage> images;
  std::string error;
  ASSERT_EQ(ParseIconFile(IconFileBytes({DibImage(), PngImage()}), images, error), 0u) << error;
  ASSERT_EQ(images.size(), 2u);
  EXPECT_TRUE(images[0].width == 32 && images[0].planes == 1 && images[0].bitCount == 32);  // from the DIB
  EXPECT_TRUE(images[1].planes == 1 && images[1].bitCount == 32 && images[1].data == PngImage());

  const Bytes good = IconFileBytes({DibImage()});
  const std::pair<const char*, Bytes> cases[] = {
      {"empty file", {}}, {"cursor", {0, 0, 2, 0, 1, 0}}, {"no image", Patched(good, {{4, 0, 2}})},
      {"truncated directory", Patched(good, {{4, 500, 2}})}, {"image outside", Patched(good, {{18, 0xFFFFFFF0}})},
      {"empty image", Patched(good, {{14, 0}})},
  };
  for (const auto& [name, bytes] : cases) EXPECT_NE(ParseIconFile(bytes, images, error), 0u) << name;
}

TEST(IconFile, ReplacesTheFirstGroupAndOnlyTheImagesItAloneUsed) {
  ResourceTable table;
  table.Set({ResourceKey::Id(kRtGroupIcon), ResourceKey::Name(u"MAIN"), 1031, 0, GroupOf({1, 2})});
  table.Set({ResourceKey::Id(kRtGroupIcon), ResourceKey::Id(5), 1031, 0, GroupOf({2})});
  for (std::uint16_t id = 1; id <= 3; ++id) table.Set({ResourceKey::Id(kRtIcon), ResourceKey::Id(id), 1031, 0, {1}});
  const std::vector<IconImage> images = {{32, 32, 0, 1, 32, DibImage()}, {0, 0, 0, 1, 32, PngImage()}};
  IconChange change;
  std::string error;
  ASSERT_EQ(SetApplicationIcon(table, images, change, error), 0u) << error;
  EXPECT_EQ(change.group, ResourceKey::Name(u"MAIN"));  // named groups come first
  EXPECT_EQ(change.imagesRemoved, 1u);                  // 2 is still used by group 5
  const Resource* group = table.Find(ResourceKey::Id(kRtGroupIcon), ResourceKey::Name(u"MAIN"), 1031);
  std::vector<std::uint16_t> ids;
  ASSERT_TRUE(group != nullptr && ReadIconGroup(group->data, ids));
  ASSERT_EQ(ids, (std::vector<std::uint16_t>{1, 4}));
  EXPECT_EQ(table.Find(ResourceKey::Id(kRtIcon), ResourceKey::Id(4), 1031)->data, PngImage());
  EXPECT_NE(table.Find(ResourceKey::Id(kRtIcon), ResourceKey::Id(2), 1031), nullptr);

  ResourceTable broken;
  broken.Set({ResourceKey::Id(kRtGroupIcon), ResourceKey::Id(1), 0, 0, Bytes{0, 0, 1, 0, 9, 0}});
  EXPECT_NE(SetApplicationIcon(broken, images, change, error), 0u);
}

TEST(SevenZipHeader, FindsTheFirstHeaderWhoseCrcMatches) {
  const Bytes archive = SevenZipArchive(Bytes(7, 1), 3);
  Bytes file(100, 0);
  file.insert(file.begin() + 10, archive.begin(), archive.begin() + 6);  // a bare signature: skipped
  const std::size_t at = file.size();
  file.insert(file.end(), archive.begin(), archive.end());
  EXPECT_EQ(FindSevenZipStartHeader(file.data(), file.size()), at);
  file[at + 20] ^= 1;
  EXPECT_EQ(FindSevenZipStartHeader(file.data(), file.size()), file.size());
  EXPECT_EQ(FindSevenZipStartHeader(file.data(), 5), 5u);
}

TEST(SevenZipTool, ReadsTheTechnicalListing) {
  const std::vector<PayloadItem> items = ParseTechnicalListing(
      "Path = setup.exe\nType = 7z\n\n----------\nPath = sub\nSize = 0\nAttributes = D drwxr-xr-x\n\n"
      "Path = sub/b.txt\r\nSize = 2\r\nModified = 2026-12-06 08:57:11.9040213\r\n\r\n"
      "Path = notime\nSize = 12345678901\n");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(items[0].isFolder);
  EXPECT_TRUE(items[1].path == "sub/b.txt" && !items[1].isFolder && items[1].size == 2u);
  EXPECT_EQ(items[1].modified, "2026-12-06 08:57:11");
  EXPECT_TRUE(items[2].size == 12345678901u && items[2].modified.empty());
}

TEST_F(BuildTest, BuildsAnInstallerThatInspectReadsBack) {
  options_.iconPath = Write("app.ico", IconFileBytes({DibImage()}));
  BuildReport report;
  std::string error;
  ASSERT_EQ(Build(report, error), 0u) << error;
  EXPECT_EQ(FileCount(), 5u);  // the inputs and the installer: no temporary file is left
  const InspectReport inspected = Inspect(options_.outputPath);
  EXPECT_EQ(inspected.config, ReadBytes(options_.configPath));  // the stub's own one replaced
  EXPECT_EQ(inspected.storedCheckSum, inspected.computedCheckSum);
  EXPECT_TRUE(inspected.hasPayload && inspected.payloadProblem.empty());
  const Bytes output = ReadBytes(options_.outputPath);
  EXPECT_EQ(Bytes(output.begin() + static_cast<std::ptrdiff_t>(inspected.payloadOffset), output.end()),
            ReadBytes(options_.payloadPath));

  options_.noConfig = true;
  options_.configPath.clear();
  ASSERT_EQ(Build(report, error), 0u) << error;  // over the existing output
  EXPECT_FALSE(Inspect(options_.outputPath).hasConfig);
}

TEST_F(BuildTest, RefusesBadInputsAndLeavesNothingBehind) {
  const Bytes archive = SevenZipArchive(Bytes(8, 1));
  Bytes damagedStart = archive, damagedHeader = archive, configWithArchive = Text("<x>");
  damagedStart[14] ^= 1;
  damagedHeader.back() ^= 1;
  configWithArchive.insert(configWithArchive.end(), archive.begin(), archive.end());
  using O = BuildOptions;
  const struct {
    const char* message;
    std::string O::*input;
    std::string path;
  } cases[] = {
      {"not an executable program", &O::stubPath, WriteStub([](CraftedPe& p) { p.characteristics |= 0x2000; })},
      {"not a Windows GUI program", &O::stubPath, WriteStub([](CraftedPe& p) { p.subsystem = 3; })},
      {"not for i386", &O::stubPath, WriteStub([](CraftedPe& p) { p.machine = 0x8664; })},
      {"--allow-test-stub", &O::stubPath, WriteStub([](CraftedPe& p) { p.machine = 0x8664, p.pe32Plus = true; })},
      {"already carries a payload", &O::stubPath, WriteStub([](CraftedPe& p) { p.overlay = SevenZipArchive(); })},
      {"appended data or debug symbols", &O::stubPath, WriteStub([](CraftedPe& p) { p.overlay = Bytes(10, 1); })},
      {"no MZ header", &O::stubPath, Write("script", Text("#!/bin/sh\n"))},
      {"start header is damaged", &O::payloadPath, Write("p1", damagedStart)},
      {"archive's header is damaged", &O::payloadPath, Write("p2", damagedHeader)},
      {"truncated", &O::payloadPath, Write("p3", Bytes(archive.begin(), archive.end() - 4))},
      {"no such file", &O::payloadPath, (dir_ / "none.7z").string()},
      {"the configuration is empty", &O::configPath, Write("c1", {})},
      {"holds a 7z signature header", &O::configPath, Write("c2", configWithArchive)},
  };
  const Bytes previous = Text("an older installer");
  Write("setup.exe", previous);
  const std::size_t files = FileCount();
  options_.validator = AcceptAnyConfiguration;
  const BuildOptions good = options_;
  for (const auto& c : cases) {
    options_ = good;
    options_.*c.input = c.path;
    BuildReport report;
    std::string error;
    EXPECT_NE(Build(report, error), 0u) << c.message;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.message << ": " << error;
    EXPECT_EQ(ReadBytes(options_.outputPath), previous) << c.message;
    EXPECT_EQ(FileCount(), files) << c.message;
  }
}

TEST_F(BuildTest, InspectReportsADamagedPayload) {
  EXPECT_FALSE(Inspect(options_.stubPath).hasPayload);
  stub_.overlay = SevenZipArchive(Bytes(8, 1));
  stub_.overlay.back() ^= 1;
  const InspectReport report = Inspect(Write("damaged.exe", stub_.Build()));
  EXPECT_TRUE(report.hasPayload);
  EXPECT_NE(report.payloadProblem.find("header is damaged"), std::string::npos) << report.payloadProblem;
}
