// PE headers, the resource directory, its rebuild and placement: crafted images, malformed ones, the real stub.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "builder/FileIo.h"
#include "builder/IconFile.h"
#include "builder/PeImage.h"
#include "builder/PeImports.h"
#include "builder/ResourceTable.h"
#include "tests/native/CraftedPe.h"

using namespace kestrova;
using namespace kestrova::testing;
using Kind = kestrova::ResourcePlacement::Kind;

namespace {

PeImage Parse(const Bytes& bytes) {
  PeImage image;
  std::string error;
  EXPECT_EQ(PeImage::Parse(bytes, bytes.size(), image, error), 0u) << error;
  return image;
}

ResourceTable ReadResources(const Bytes& bytes) {
  ResourceTable table;
  std::string error;
  EXPECT_EQ(ResourceTable::Read(Parse(bytes), table, error), 0u) << error;
  return table;
}

void ExpectSameItems(const ResourceTable& a, const ResourceTable& b) {
  ASSERT_EQ(a.Items().size(), b.Items().size());
  for (std::size_t i = 0; i < a.Items().size(); ++i) {
    const Resource &x = a.Items()[i], &y = b.Items()[i];
    EXPECT_TRUE(x.type == y.type && x.name == y.name && x.language == y.language) << x.Describe() << y.Describe();
    EXPECT_TRUE(x.codePage == y.codePage && x.data == y.data) << x.Describe();
  }
}

// SizeOfInitializedData less the file data of the sections it counts: a rewrite keeps it.
std::int64_t InitializedDataSlack(const PeImage& image) {
  std::int64_t slack = Get32(image.Data(), image.OptionalHeaderOffset() + kOptSizeOfInitializedData);
  for (const PeSection& s : image.Sections()) slack -= (s.characteristics & 0x40) != 0 ? s.sizeOfRawData : 0;
  return slack;
}

// Rewrites the resources of `bytes`, checks the headers that must follow and that the file data of every other
// section stays as it was, and reads the resources back.
Bytes Rewrite(const Bytes& bytes, const ResourceTable& table, Kind expected) {
  const PeImage before = Parse(bytes);
  Bytes out;
  ResourcePlacement placement;
  std::string error;
  EXPECT_EQ(WriteResources(before, table, out, placement, error), 0u) << error;
  EXPECT_EQ(placement.kind, expected) << placement.Describe();
  const PeImage after = Parse(out);
  const PeDataDirectory directory = after.Directory(kDirectoryResource);
  EXPECT_TRUE(directory.address == placement.rva && directory.size == placement.size) << placement.Describe();
  EXPECT_EQ(after.ImageEnd(), out.size());
  EXPECT_EQ(after.CheckSum(), ComputePeChecksum(out, after.CheckSumOffset()));
  EXPECT_EQ(InitializedDataSlack(after), InitializedDataSlack(before));
  std::uint32_t end = 0;
  for (const PeSection& s : after.Sections()) {  // aligned, in order, not overlapping; one .rsrc
    EXPECT_EQ((s.pointerToRawData | s.sizeOfRawData) % after.FileAlignment(), 0u) << s.name;
    EXPECT_GE(s.virtualAddress, end) << s.name;
    EXPECT_EQ(s.name == ".rsrc", s.virtualAddress == placement.rva) << s.name;
    end = s.virtualAddress + static_cast<std::uint32_t>(AlignUp(s.MappedSize(), after.SectionAlignment()));
  }
  EXPECT_EQ(Get32(out, after.OptionalHeaderOffset() + kOptSizeOfImage), end);
  for (const PeSection& s : before.Sections()) {
    const std::size_t at = s.pointerToRawData, size = s.sizeOfRawData;
    EXPECT_TRUE(s.virtualAddress == placement.rva ||
                (out.size() >= at + size && std::equal(&bytes[at], &bytes[at] + size, &out[at])))
        << s.name << " changed";
  }
  ExpectSameItems(table, ReadResources(out));
  return out;
}

ResourceTable SampleTable() {
  ResourceTable table;
  table.Set(TextResource(kRtManifest, 1, "<assembly/>"));
  table.Set(TextResource(kRtDialog, 224, "dialog"));
  table.Set({ResourceKey::Id(kRtDialog), ResourceKey::Id(224), 1031, 1252, Bytes{1, 2, 3}});
  table.Set({ResourceKey::Name(u"AVI"), ResourceKey::Name(u"CLOCK"), 0, 0, Bytes(100, 7)});
  table.Set({ResourceKey::Name(u"AVI"), ResourceKey::Id(3), 0, 0, Bytes(5, 9)});
  table.Set({ResourceKey::Id(kRtRcData), ResourceKey::Name(u"B"), 0, 0, Bytes{}});
  table.Set({ResourceKey::Id(kRtRcData), ResourceKey::Name(u"AB"), 0, 0, Bytes(3, 1)});
  return table;
}

ResourceTable Grown(ResourceTable table) {
  table.Set(TextResource(kRtRcData, 222, std::string(5000, 'x')));
  return table;
}

}  // namespace

// The sum of the 16-bit words without the checksum field, carries folded back, plus the file's length.
TEST(PeImage, ChecksumFoldsCarriesSkipsItsFieldAndAddsTheLength) {
  const Bytes bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03};  // FFFF FFFF 0201 and an odd 03
  EXPECT_EQ(ComputePeChecksum(bytes, 100), 0x0204u + 7);        // 1FFFE -> FFFF, + 0201 -> 0201, + 0003
  PeChecksum pieces(4);                                          // 0201 and 03 left out
  for (const std::uint8_t& b : bytes) pieces.Update(&b, 1);
  EXPECT_EQ(pieces.Value(), 0xFFFFu + 7);
}

TEST(PeImage, RejectsMalformedHeaders) {
  const Bytes good = CraftedPe::WithResources(SampleTable()).Build();
  const std::size_t o = Parse(good).OptionalHeaderOffset(), t = Parse(good).SectionTableOffset();
  const std::pair<Patch, const char*> cases[] = {
      {{0, 'X', 1}, "no MZ header"},
      {{0x3C, 0x7FFFFFF0}, "truncated"},  // PE header beyond the file
      {{0x40, 'N', 1}, "no PE signature"},
      {{o, 0x107, 2}, "magic"},
      {{o - 4, 64, 2}, "too short"},  // optional header
      {{o - 18, 97, 2}, "at most 96"},
      {{o - 18, 96, 2}, "truncated"},                         // section table beyond the file
      {{o + 36, 0x300}, "alignment"},                         // file alignment not a power of two
      {{o + 32, 0x100}, "alignment"},                         // section alignment below file alignment
      {{t + kSectionHeaderSize + 16, 0x10000}, "truncated"},  // section data beyond the file
      {{o + 60, 0x7FFFFFFF}, "truncated"},                    // headers longer than the file
  };
  for (const auto& [patch, message] : cases) {
    const Bytes bytes = Patched(good, {patch});
    PeImage image;
    std::string error;
    EXPECT_NE(PeImage::Parse(bytes, bytes.size(), image, error), 0u) << message << " at " << patch.at;
    EXPECT_NE(error.find(message), std::string::npos) << patch.at << ": " << error;
  }
}

// Names before IDs, names by code unit, shorter first; the same from the x86-64 test stub, whose data directories
// follow the wider PE32+ header.
TEST(ResourceTable, ReadsEveryResourceInLoaderOrder) {
  CraftedPe pe = CraftedPe::WithResources(SampleTable());
  const ResourceTable read = ReadResources(pe.Build());
  ExpectSameItems(SampleTable(), read);
  EXPECT_EQ(read.Items()[0].name, ResourceKey::Name(u"CLOCK"));
  EXPECT_EQ(read.Items()[4].name, ResourceKey::Name(u"AB"));
  EXPECT_EQ(read.Items()[5].name, ResourceKey::Name(u"B"));

  pe.pe32Plus = true;
  pe.machine = kMachineAmd64;
  Rewrite(pe.Build(), Grown(SampleTable()), Kind::kGrownLastSection);
}

TEST(ResourceWriter, PlacesResourcesWhereTheImageStaysValid) {
  ResourceTable smaller = SampleTable();
  smaller.Remove(ResourceKey::Name(u"AVI"), ResourceKey::Name(u"CLOCK"));
  const Bytes last = CraftedPe::WithResources(SampleTable()).Build();
  const Bytes middle = CraftedPe::WithResources(SampleTable(), false).Build();  // .reloc follows .rsrc
  const Bytes empty = CraftedPe::WithResources(ResourceTable()).Build();
  // Found by the fuzzer: .reloc sharing the file data of .rsrc, which a rewrite in place would change.
  const std::vector<PeSection> sections = Parse(middle).Sections();
  const Bytes shared = Patched(middle, {{sections[2].headerOffset + 16, sections[1].sizeOfRawData},
                                        {sections[2].headerOffset + 20, sections[1].pointerToRawData}});
  CraftedPe none;
  none.sections.push_back({".text", Bytes(0x10, 0xC3), 0x60000020});
  EXPECT_TRUE(ReadResources(none.Build()).Items().empty() && ReadResources(empty).Items().empty());
  const struct {
    const char* name;
    Bytes image;
    ResourceTable table;
    Kind kind;
  } cases[] = {
      {"last section, grown", last, Grown(SampleTable()), Kind::kGrownLastSection},
      {"last section, emptied", last, ResourceTable(), Kind::kInPlace},
      {"followed, smaller", middle, smaller, Kind::kInPlace},
      {"followed, grown", middle, Grown(SampleTable()), Kind::kNewSection},
      {"followed, sharing its file data", shared, smaller, Kind::kNewSection},
      {"no resources", none.Build(), Grown(SampleTable()), Kind::kNewSection},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rewrite(c.image, c.table, c.kind);
  }
}

TEST(ResourceWriter, RefusesWhenTheHeadersHaveNoRoomForANewSection) {
  CraftedPe pe = CraftedPe::WithResources(SampleTable(), false);
  pe.sizeOfHeaders = 0x200;
  pe.sections.resize(6, {".pad", Bytes(4, 0)});  // the section table now ends at 0x200
  Bytes out;
  ResourcePlacement placement;
  std::string error;
  EXPECT_NE(WriteResources(Parse(pe.Build()), Grown(SampleTable()), out, placement, error), 0u);
  EXPECT_NE(error.find("no free room"), std::string::npos) << error;
}

// Hand-made resource sections, each broken in one way.
TEST(ResourceTable, MalformedTreesGiveErrorsNotCrashes) {
  // A valid chain: root -> type 10 -> name 222 -> language 1033 -> data entry -> 4 bytes of data. The root has
  // room for a second entry; a spare directory and a second type and name directory follow the data.
  constexpr std::size_t kRoot = 0, kType = 32, kName = 56, kSpare = 80, kEntry = 104, kData = 120;
  constexpr std::size_t kType2 = 124, kName2 = 148;
  struct Directory {
    std::size_t at;
    std::uint32_t name, target;  // its one entry
  };
  std::vector<Patch> chain = {{kEntry, SectionRva(1) + kData}, {kEntry + 4, 4}};
  for (const Directory& d : {Directory{kRoot, 10, 0x80000000 | kType}, {kType, 222, 0x80000000 | kName},
                             {kName, 1033, kEntry}, {kType2, 222, 0x80000000 | kName2}, {kName2, 1033, kEntry}}) {
    chain.insert(chain.end(), {{d.at + 14, 1, 2}, {d.at + 16, d.name}, {d.at + 20, d.target}});
  }
  const Bytes valid = Patched(Bytes(kName2 + 24, 0), chain);
  const std::pair<std::vector<Patch>, const char*> cases[] = {
      {{}, ""},
      {{{kType + 20, 0x80000000 | kRoot}}, "(a loop)"},
      {{{kRoot + 14, 0xFFFF, 2}}, "claims 65535 entries"},
      {{{kRoot + 20, kEntry}}, "at the type level"},
      {{{kName + 20, 0x80000000 | kSpare}}, "deeper than"},
      {{{kName + 16, 0x80000000 | kData}}, "language is given by a name"},
      {{{kType + 16, 0xFFFFFFF0}}, "resource name at offset"},                             // beyond the section
      {{{kType + 16, 0x80000000 | kData}, {kData, 0xFFFF, 2}}, "resource name at offset"},  // longer than it
      {{{kRoot + 20, 0xFFFFFFF0}}, "directory at offset"},
      {{{kName + 20, 0x7FFFFFF0}}, "data entry"},
      {{{kEntry, 0x90000}}, "outside the sections"},
      {{{kEntry + 4, 0xFFFFFFFF}}, "outside the sections"},  // longer than its section
      {{{kType + 16, 0x12345}}, "does not fit 16 bits"},
      {{{kRoot + 14, 2, 2}, {kRoot + 24, 10}, {kRoot + 28, 0x80000000 | kType2}},
       "lists RT_RCDATA 222 (language 1033) twice"},
      {{{kRoot + 14, 2, 2}, {kRoot + 24, 11}, {kRoot + 28, 0x80000000 | kType}}, "(a loop)"},  // reached twice
  };
  for (const auto& [patches, message] : cases) {
    CraftedPe pe = CraftedPe::WithResources(ResourceTable());
    pe.rawResources = Patched(valid, patches);
    ResourceTable table;
    std::string error;
    const KVResult result = ResourceTable::Read(Parse(pe.Build()), table, error);
    if (*message == '\0') {
      EXPECT_EQ(result, 0u) << error;
      EXPECT_EQ(table.Items().size(), 1u);
    } else {
      EXPECT_TRUE(result != 0 && error.find(message) != std::string::npos) << message << ": " << error;
    }
  }
}

// Entries may share one data entry: 1025 languages of 256 KiB each would be read as 256.25 MiB of copies.
TEST(ResourceTable, RefusesSharedDataBeyondTheLimit) {
  constexpr std::uint32_t kCount = 1025, kDataEntry = 64 + 8 * kCount, kSize = 256u << 10;
  std::vector<Patch> tree = {{14, 1, 2}, {16, 10}, {20, 0x80000000 | 24},   // root: type 10 at 24
                             {38, 1, 2}, {40, 222}, {44, 0x80000000 | 48},  // name 222 at 48
                             {62, kCount, 2},                               // its languages
                             {kDataEntry, SectionRva(1) + kDataEntry + 16}, {kDataEntry + 4, kSize}};
  for (std::uint32_t i = 0; i < kCount; ++i) tree.insert(tree.end(), {{64 + 8 * i, i}, {68 + 8 * i, kDataEntry}});
  CraftedPe pe = CraftedPe::WithResources(ResourceTable());
  pe.rawResources = Patched(Bytes(kDataEntry + 16 + kSize, 0), tree);
  ResourceTable table;
  std::string error;
  EXPECT_NE(ResourceTable::Read(Parse(pe.Build()), table, error), 0u);
  EXPECT_NE(error.find("more than 256 MiB"), std::string::npos) << error;
}

// The stub of the win32 build: its resources survive a rebuild byte for byte, and its headers stay whole.
TEST(ResourceWriter, RealStubKeepsItsResources) {
  const char* path = std::getenv("KVSFX_TEST_STUB");
  Bytes stub;
  std::string error;
  if (path == nullptr || ReadWholeFile(path, 64u << 20, stub, error) != 0) {
    GTEST_SKIP() << "no stub at KVSFX_TEST_STUB: build it with scripts/build.sh win32";
  }
  ResourceTable changed = ReadResources(stub);
  ASSERT_NE(changed.Find(ResourceKey::Id(kRtDialog), ResourceKey::Id(224), 1033), nullptr);
  EXPECT_EQ(Parse(stub).CheckSum(), ComputePeChecksum(stub, Parse(stub).CheckSumOffset()));  // the linker's sum

  changed.Set(TextResource(kRtRcData, 222, "<SelfExtractor FormatVersionMajor=\"5\" FormatVersionMinor=\"2\"/>"));
  IconChange iconChange;
  ASSERT_EQ(SetApplicationIcon(changed, {IconImage{16, 16, 0, 1, 32, Bytes(1128, 0)}}, iconChange, error), 0u);
  Rewrite(stub, changed, Kind::kNewSection);

  // Its imports, as the loader reads them, and an import directory that points nowhere.
  std::vector<std::string> dlls;
  ASSERT_EQ(ReadImportedDlls(Parse(stub), dlls, error), 0u) << error;
  EXPECT_NE(std::find(dlls.begin(), dlls.end(), "KERNEL32.dll"), dlls.end());
  const PeImage image = Parse(stub);
  const Bytes lost = Patched(stub, {{image.DirectoryOffset(kDirectoryImport), 0x7FFFFFF0}});
  EXPECT_NE(ReadImportedDlls(Parse(lost), dlls, error), 0u);
  EXPECT_NE(error.find("outside the sections"), std::string::npos) << error;
}
