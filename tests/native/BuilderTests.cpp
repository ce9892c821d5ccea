// kvsfx build and inspect in-process: icons, 7z headers, whole builds from crafted stubs, and every refusal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "builder/Builder.h"
#include "builder/IconFile.h"
#include "builder/Inspector.h"
#include "builder/SevenZipHeader.h"
#include "builder/SevenZipTool.h"
#include "tests/native/CraftedPe.h"

using namespace kvsfx;
using kvsfx::testing::CraftedPe;
using kvsfx::testing::TextResource;
namespace fs = std::filesystem;

namespace {

// A 7z archive whose last header is `nextHeader` (an empty archive when it is empty).
Bytes SevenZipArchive(const Bytes& nextHeader = {}, std::size_t packed = 0) {
  Bytes a{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4};
  a.resize(kSevenZipHeaderSize + packed, 0x11);
  Put32(a, 12, static_cast<std::uint32_t>(packed));
  Put32(a, 16, 0);
  Put32(a, 20, static_cast<std::uint32_t>(nextHeader.size()));
  Put32(a, 24, 0);
  Put32(a, 28, Crc32(nextHeader.data(), nextHeader.size()));
  Put32(a, 8, Crc32(a.data() + 12, 20));
  a.insert(a.end(), nextHeader.begin(), nextHeader.end());
  return a;
}

// An .ico file with the given images; the directory's planes and bit count stay 0.
Bytes IconFileBytes(const std::vector<Bytes>& images) {
  Bytes file;
  Append16(file, 0);
  Append16(file, 1);
  Append16(file, static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const Bytes& image : images) {
    file.insert(file.end(), {32, 32, 0, 0, 0, 0, 0, 0});
    Append32(file, static_cast<std::uint32_t>(image.size()));
    Append32(file, offset);
    offset += static_cast<std::uint32_t>(image.size());
  }
  for (const Bytes& image : images) file.insert(file.end(), image.begin(), image.end());
  return file;
}

Bytes DibImage() {
  Bytes dib(40 + 32 * 32 * 4 + 32 * 4, 0);
  Put32(dib, 0, 40);
  Put32(dib, 4, 32);
  Put32(dib, 8, 64);
  Put16(dib, 12, 1);
  Put16(dib, 14, 32);
  return dib;
}

Bytes PngImage() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0}; }

Bytes GroupOf(std::initializer_list<std::uint16_t> ids) {
  Bytes group;
  Append16(group, 0);
  Append16(group, 1);
  Append16(group, static_cast<std::uint16_t>(ids.size()));
  for (const std::uint16_t id : ids) {
    group.insert(group.end(), {16, 16, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0});
    Append16(group, id);
  }
  return group;
}

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kvsfx-build-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ResourceTable stubResources;
    stubResources.Set(TextResource(kRtManifest, 1, "<assembly/>"));
    stubResources.Set(TextResource(kRtDialog, 224, "dialog"));
    stub_ = CraftedPe::WithResources(stubResources, false);
    options_.stubPath = Write("stub.exe", stub_.Build());
    options_.configPath = Write("setup.xml", Text("<SelfExtractor FormatVersionMajor=\"5\" FormatVersionMinor=\"2\"/>"));
    options_.payloadPath = Write("payload.7z", SevenZipArchive(Bytes(40, 0x22), 100));
    options_.outputPath = (dir_ / "setup.exe").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  static Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return (dir_ / name).string();
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  KVResult Build(BuildReport& report, std::string& error) {
    return BuildInstaller(options_, report, [](const std::string&) {}, error);
  }

  fs::path dir_;
  CraftedPe stub_;
  BuildOptions options_;
};

}  // namespace

TEST(IconFile, ReadsImagesAndCompletesTheirFormat) {
  std::vector<IconImage> images;
  std::string error;
  ASSERT_EQ(ParseIconFile(IconFileBytes({DibImage(), PngImage()}), images, error), 0u) << error;
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].width, 32);
  EXPECT_EQ(images[0].planes, 1);
  EXPECT_EQ(images[0].bitCount, 32);  // from the BITMAPINFOHEADER
  EXPECT_EQ(images[1].bitCount, 32);  // PNG
  EXPECT_EQ(images[1].data, PngImage());

  const Bytes good = IconFileBytes({DibImage()});
  struct Case {
    const char* name;
    Bytes bytes;
  };
  Bytes zeroCount = good;
  Put16(zeroCount, 4, 0);
  Bytes manyImages = good;
  Put16(manyImages, 4, 500);
  Bytes outside = good;
  Put32(outside, 18, 0xFFFFFFF0);
  Bytes emptyImage = good;
  Put32(emptyImage, 14, 0);
  for (const Case& c : {Case{"empty file", {}}, Case{"cursor", Bytes{0, 0, 2, 0, 1, 0}}, Case{"no image", zeroCount},
                        Case{"truncated directory", manyImages}, Case{"image outside", outside},
                        Case{"empty image", emptyImage}}) {
    EXPECT_NE(ParseIconFile(c.bytes, images, error), 0u) << c.name;
  }
}

TEST(IconFile, ReplacesTheFirstGroupAndOnlyTheImagesItAloneUsed) {
  ResourceTable table;
  table.Set({ResourceKey::Id(kRtGroupIcon), ResourceKey::Name(u"MAIN"), 1031, 0, GroupOf({1, 2})});
  table.Set({ResourceKey::Id(kRtGroupIcon), ResourceKey::Id(5), 1031, 0, GroupOf({2})});
  for (const std::uint16_t id : {std::uint16_t{1}, std::uint16_t{2}, std::uint16_t{3}}) table.Set({ResourceKey::Id(kRtIcon), ResourceKey::Id(id), 1031, 0, {1}});
  std::vector<IconImage> images;
  std::string error;
  ASSERT_EQ(ParseIconFile(IconFileBytes({DibImage(), PngImage()}), images, error), 0u);
  IconChange change;
  ASSERT_EQ(SetApplicationIcon(table, images, change, error), 0u) << error;
  EXPECT_EQ(change.group, ResourceKey::Name(u"MAIN"));  // named groups come first
  EXPECT_EQ(change.imagesRemoved, 1u);                  // 2 is still used by group 5
  EXPECT_EQ(change.imageIds, (std::vector<std::uint16_t>{1, 4}));
  const Resource* group = table.Find(ResourceKey::Id(kRtGroupIcon), ResourceKey::Name(u"MAIN"), 1031);
  ASSERT_NE(group, nullptr);
  std::vector<std::uint16_t> ids;
  ASSERT_TRUE(ReadIconGroup(group->data, ids));
  EXPECT_EQ(ids, (std::vector<std::uint16_t>{1, 4}));
  EXPECT_EQ(table.Find(ResourceKey::Id(kRtIcon), ResourceKey::Id(4), 1031)->data, PngImage());
  EXPECT_NE(table.Find(ResourceKey::Id(kRtIcon), ResourceKey::Id(2), 1031), nullptr);

  ResourceTable none;
  ASSERT_EQ(SetApplicationIcon(none, images, change, error), 0u);
  EXPECT_NE(none.Find(ResourceKey::Id(kRtGroupIcon), ResourceKey::Id(1), kLanguageEnglishUs), nullptr);
  EXPECT_EQ(none.Items().size(), 3u);

  ResourceTable broken;
  broken.Set({ResourceKey::Id(kRtGroupIcon), ResourceKey::Id(1), 0, 0, Bytes{0, 0, 1, 0, 9, 0}});
  EXPECT_NE(SetApplicationIcon(broken, images, change, error), 0u);
}

TEST(SevenZipHeader, FindsOnlyHeadersWhoseCrcMatches) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0xCBF43926u);
  const Bytes archive = SevenZipArchive(Bytes(7, 1), 3);
  SevenZipStartHeader header;
  ASSERT_TRUE(ReadSevenZipStartHeader(archive.data(), archive.size(), header));
  std::uint64_t size = 0;
  ASSERT_TRUE(header.ArchiveSize(size));
  EXPECT_EQ(size, archive.size());

  Bytes file(100, 0);
  const Bytes signature(archive.begin(), archive.begin() + 6);  // a bare signature: skipped
  file.insert(file.begin() + 10, signature.begin(), signature.end());
  const std::size_t at = file.size();
  file.insert(file.end(), archive.begin(), archive.end());
  EXPECT_EQ(FindSevenZipStartHeader(file.data(), file.size()), at);
  file[at + 20] ^= 1;
  EXPECT_EQ(FindSevenZipStartHeader(file.data(), file.size()), file.size());
  EXPECT_EQ(FindSevenZipStartHeader(file.data(), 5), 5u);
}

TEST(SevenZipTool, ReadsTheTechnicalListing) {
  const std::string listing =
      "7-Zip (z) 26.01\n\nPath = setup.exe\nType = 7z\nOffset = 320512\n\n----------\n"
      "Path = sub\nSize = 0\nModified = 2026-12-06 08:57:11.9040213\nAttributes = D drwxr-xr-x\n\n"
      "Path = sub/b.txt\r\nSize = 2\r\nModified = 2026-12-06 08:57:11.9040213\r\nAttributes = A -rw-r--r--\r\n\r\n"
      "Path = notime\nSize = 12345678901\n";
  const std::vector<PayloadItem> items = ParseTechnicalListing(listing);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(items[0].isFolder);
  EXPECT_EQ(items[1].path, "sub/b.txt");
  EXPECT_FALSE(items[1].isFolder);
  EXPECT_EQ(items[1].size, 2u);
  EXPECT_EQ(items[1].modified, "2026-12-06 08:57:11");
  EXPECT_EQ(items[2].size, 12345678901u);
  EXPECT_EQ(items[2].modified, "");
  const std::vector<std::string> command = CompressCommand("/usr/bin/7zz", "relative/dir/", "out.7z", false);
  EXPECT_EQ(command.back(), (fs::absolute("relative/dir").lexically_normal() / "*").string());
  EXPECT_NE(std::find(command.begin(), command.end(), "-m0=LZMA2"), command.end());
}

TEST_F(BuildTest, BuildsAnInstallerThatInspectReadsBack) {
  options_.iconPath = Write("app.ico", IconFileBytes({DibImage()}));
  BuildReport report;
  std::string error;
  ASSERT_EQ(Build(report, error), 0u) << error;
  EXPECT_EQ(report.configAction, "added");
  EXPECT_EQ(report.placement.kind, ResourcePlacement::Kind::kNewSection);
  const Bytes output = ReadBytes(options_.outputPath);
  const Bytes archive = ReadBytes(options_.payloadPath);
  EXPECT_EQ(output.size(), report.fileSize);
  EXPECT_EQ(Bytes(output.begin() + static_cast<std::ptrdiff_t>(report.payloadOffset), output.end()), archive);
  EXPECT_EQ(FileCount(), 5u);  // the inputs and the installer: no temporary file is left

  InspectReport inspected;
  ASSERT_EQ(InspectInstaller(options_.outputPath, inspected, error), 0u) << error;
  EXPECT_EQ(inspected.Kind(), "PE32 i386 Windows GUI executable");
  EXPECT_EQ(inspected.imageSize, report.payloadOffset);
  EXPECT_EQ(inspected.storedCheckSum, inspected.computedCheckSum);
  EXPECT_EQ(inspected.storedCheckSum, report.checkSum);
  EXPECT_TRUE(inspected.hasConfig);
  EXPECT_EQ(inspected.config, ReadBytes(options_.configPath));
  EXPECT_TRUE(inspected.hasPayload);
  EXPECT_EQ(inspected.payloadOffset, report.payloadOffset);
  EXPECT_EQ(inspected.payloadSize, archive.size());
  EXPECT_EQ(inspected.payloadProblem, "");
  EXPECT_FALSE(inspected.isSigned);
  EXPECT_EQ(inspected.resources.size(), 5u);  // manifest, dialog, configuration, icon group and image

  // The installer is no stub: it carries a payload.
  options_.stubPath = options_.outputPath;
  options_.outputPath = (dir_ / "again.exe").string();
  EXPECT_NE(Build(report, error), 0u);
  EXPECT_NE(error.find("already carries a payload"), std::string::npos) << error;
}

TEST_F(BuildTest, ReplacesOrRemovesTheStubsConfiguration) {
  stub_.resources.Set(TextResource(kRtRcData, 222, "old"));
  options_.stubPath = Write("stub.exe", stub_.Build());
  BuildReport report;
  std::string error;
  ASSERT_EQ(Build(report, error), 0u) << error;
  EXPECT_EQ(report.configAction, "replaced");
  InspectReport inspected;
  ASSERT_EQ(InspectInstaller(options_.outputPath, inspected, error), 0u);
  EXPECT_EQ(inspected.config, ReadBytes(options_.configPath));

  options_.noConfig = true;
  options_.configPath.clear();
  ASSERT_EQ(Build(report, error), 0u) << error;  // over the existing output
  EXPECT_EQ(report.configAction, "removed");
  ASSERT_EQ(InspectInstaller(options_.outputPath, inspected, error), 0u);
  EXPECT_FALSE(inspected.hasConfig);
  EXPECT_EQ(inspected.resources.size(), 2u);
}

TEST_F(BuildTest, RefusesBadInputsAndLeavesNothingBehind) {
  const auto stubWith = [this](void (*change)(CraftedPe&)) {
    CraftedPe pe = stub_;
    change(pe);
    return pe.Build();
  };
  Bytes damagedStart = SevenZipArchive(Bytes(8, 1));
  damagedStart[14] ^= 1;
  Bytes damagedHeader = SevenZipArchive(Bytes(8, 1));
  damagedHeader.back() ^= 1;
  const Bytes truncated(damagedHeader.begin(), damagedHeader.end() - 4);
  Bytes configWithArchive = Text("<x>");
  const Bytes embedded = SevenZipArchive();
  configWithArchive.insert(configWithArchive.end(), embedded.begin(), embedded.end());

  struct Case {
    const char* name;
    std::string stub, config, payload;
    ConfigValidator validator;
    const char* message;
  };
  const std::string good = options_.stubPath;
  const std::string config = options_.configPath;
  const std::string payload = options_.payloadPath;
  const ConfigValidator accept = AcceptAnyConfiguration;
  const ConfigValidator reject = [](const Bytes&, std::string& why) -> KVResult {
    why = "no Launch element";
    return kestrova::KV_E_INVALID_DATA;
  };
  const Case cases[] = {
      {"console stub", Write("s1", stubWith([](CraftedPe& p) { p.subsystem = 3; })), config, payload, accept,
       "not a Windows GUI program (subsystem 3, console)"},
      {"DLL", Write("s2", stubWith([](CraftedPe& p) { p.characteristics |= 0x2000; })), config, payload, accept,
       "not an executable program"},
      {"x64 machine", Write("s3", stubWith([](CraftedPe& p) { p.machine = 0x8664; })), config, payload, accept,
       "not for i386"},
      {"signed stub", Write("s4", stubWith([](CraftedPe& p) {
         p.overlay = Bytes(16, 0);
         p.certificateOffset = 0x1000;
         p.certificateSize = 16;
       })),
       config, payload, accept, "the stub is signed"},
      {"stub with a payload", Write("s5", stubWith([](CraftedPe& p) { p.overlay = SevenZipArchive(); })), config,
       payload, accept, "already carries a payload"},
      {"stub with appended data", Write("s6", stubWith([](CraftedPe& p) { p.overlay = Bytes(10, 1); })), config,
       payload, accept, "appended data or debug symbols"},
      {"not a PE", Write("s7", Text("#!/bin/sh\n")), config, payload, accept, "no MZ header"},
      {"missing stub", (dir_ / "none.exe").string(), config, payload, accept, "no such file"},
      {"payload not 7z", good, config, Write("p1", Text("PK\3\4 not 7z at all, a zip file......")), accept,
       "no 7z signature"},
      {"damaged start header", good, config, Write("p2", damagedStart), accept, "start header is damaged"},
      {"damaged last header", good, config, Write("p3", damagedHeader), accept, "header is damaged"},
      {"truncated archive", good, config, Write("p4", truncated), accept, "truncated"},
      {"missing payload", good, config, (dir_ / "none.7z").string(), accept, "no such file"},
      {"validator", good, config, payload, reject, "the configuration is not valid: no Launch element"},
      {"empty configuration", good, Write("c1", {}), payload, accept, "the configuration is empty"},
      {"configuration holding a 7z header", good, Write("c2", configWithArchive), payload, accept,
       "holds a 7z signature header"},
  };
  const Bytes previous = Text("an older installer");
  Write("setup.exe", previous);
  const std::size_t files = FileCount();
  for (const Case& c : cases) {
    options_.stubPath = c.stub;
    options_.configPath = c.config;
    options_.payloadPath = c.payload;
    options_.validator = c.validator;
    BuildReport report;
    std::string error;
    EXPECT_NE(Build(report, error), 0u) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(ReadBytes(options_.outputPath), previous) << c.name;
    EXPECT_EQ(FileCount(), files) << c.name;
  }
}

TEST_F(BuildTest, InspectReportsWhatItFinds) {
  std::string error;
  InspectReport report;
  ASSERT_EQ(InspectInstaller(options_.stubPath, report, error), 0u) << error;
  EXPECT_FALSE(report.hasPayload);
  EXPECT_FALSE(report.hasConfig);

  CraftedPe signedStub = stub_;
  Bytes damaged = SevenZipArchive(Bytes(8, 1));
  damaged.back() ^= 1;
  signedStub.overlay = damaged;
  signedStub.overlay.resize(signedStub.overlay.size() + 24, 0);
  signedStub.certificateOffset = 0x1234;
  signedStub.certificateSize = 24;
  ASSERT_EQ(InspectInstaller(Write("odd.exe", signedStub.Build()), report, error), 0u) << error;
  EXPECT_TRUE(report.isSigned);
  EXPECT_EQ(report.certificateSize, 24u);
  EXPECT_TRUE(report.hasPayload);
  EXPECT_NE(report.payloadProblem.find("header is damaged"), std::string::npos) << report.payloadProblem;

  EXPECT_NE(InspectInstaller(options_.configPath, report, error), 0u);
  EXPECT_NE(error.find("no MZ header"), std::string::npos) << error;
}
