// PE headers, the resource directory, its rebuild and placement: crafted images, malformed ones, the real stub.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "builder/IconFile.h"
#include "builder/PeImage.h"
#include "builder/ResourceTable.h"
#include "tests/native/CraftedPe.h"

using namespace kvsfx;
using kvsfx::testing::CraftedPe;
using kvsfx::testing::SectionRva;
using kvsfx::testing::TextResource;

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

// Rewrites the resources of `bytes` and checks the headers that must follow from it.
Bytes Rewrite(const Bytes& bytes, const ResourceTable& table, ResourcePlacement::Kind expected) {
  const PeImage image = Parse(bytes);
  Bytes out;
  ResourcePlacement placement;
  std::string error;
  EXPECT_EQ(WriteResources(image, table, out, placement, error), 0u) << error;
  EXPECT_EQ(placement.kind, expected) << placement.Describe();
  const PeImage rewritten = Parse(out);
  EXPECT_EQ(rewritten.ImageEnd(), out.size());
  EXPECT_EQ(rewritten.Directory(kDirectoryResource).address, placement.rva);
  EXPECT_EQ(rewritten.Directory(kDirectoryResource).size, placement.size);
  EXPECT_EQ(rewritten.CheckSum(), ComputePeChecksum(out, rewritten.CheckSumOffset()));
  std::uint32_t end = 0;
  for (const PeSection& s : rewritten.Sections()) {
    EXPECT_EQ(s.pointerToRawData % rewritten.FileAlignment(), 0u) << s.name;
    EXPECT_EQ(s.sizeOfRawData % rewritten.FileAlignment(), 0u) << s.name;
    end = std::max(end, s.virtualAddress + static_cast<std::uint32_t>(AlignUp(s.MappedSize(), 0x1000)));
  }
  EXPECT_EQ(Get32(out, rewritten.OptionalHeaderOffset() + kOptSizeOfImage), end);
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

void ExpectSameItems(const ResourceTable& a, const ResourceTable& b) {
  ASSERT_EQ(a.Items().size(), b.Items().size());
  for (std::size_t i = 0; i < a.Items().size(); ++i) {
    const Resource& x = a.Items()[i];
    const Resource& y = b.Items()[i];
    EXPECT_TRUE(x.type == y.type && x.name == y.name && x.language == y.language) << x.Describe() << y.Describe();
    EXPECT_EQ(x.codePage, y.codePage) << x.Describe();
    EXPECT_EQ(x.data, y.data) << x.Describe();
  }
}

}  // namespace

TEST(PeImage, ReadsHeadersAndMapsAddresses) {
  CraftedPe pe = CraftedPe::WithResources(SampleTable(), false);
  const Bytes bytes = pe.Build();
  const PeImage image = Parse(bytes);
  EXPECT_EQ(image.Machine(), kMachineI386);
  EXPECT_EQ(image.Subsystem(), kSubsystemWindowsGui);
  ASSERT_EQ(image.Sections().size(), 3u);
  EXPECT_EQ(image.Sections()[1].name, ".rsrc");
  EXPECT_EQ(image.ImageEnd(), bytes.size());
  std::size_t offset = 0;
  EXPECT_TRUE(image.RvaToOffset(SectionRva(1) + 4, 4, offset));
  EXPECT_EQ(offset, image.Sections()[1].pointerToRawData + 4u);
  EXPECT_FALSE(image.RvaToOffset(SectionRva(0) + 0x1FF, 2, offset));  // crosses the end of the file data
  EXPECT_FALSE(image.RvaToOffset(0x50000, 1, offset));
  EXPECT_EQ(image.SectionOfRva(SectionRva(2) + 0xFFF), 2);
}

TEST(PeImage, ChecksumMatchesTheTextbookSumInAnyPieces) {
  Bytes bytes = CraftedPe::WithResources(SampleTable()).Build();
  bytes.push_back(0x5A);  // an odd length
  const std::size_t field = Parse(bytes).CheckSumOffset();
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    if (i >= field && i < field + 4) continue;
    sum += static_cast<std::uint32_t>(bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0));
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  const std::uint32_t expected = ((sum & 0xFFFF) + (sum >> 16)) + static_cast<std::uint32_t>(bytes.size());
  EXPECT_EQ(ComputePeChecksum(bytes, field), expected);
  PeChecksum pieces(field);
  for (std::size_t at = 0, step = 1; at < bytes.size(); at += step, step = step % 7 + 1) {
    pieces.Update(bytes.data() + at, std::min(step, bytes.size() - at));
  }
  EXPECT_EQ(pieces.Value(), expected);
}

TEST(PeImage, RejectsMalformedHeaders) {
  const Bytes good = CraftedPe::WithResources(SampleTable()).Build();
  const std::size_t opt = Parse(good).OptionalHeaderOffset();
  const std::size_t table = Parse(good).SectionTableOffset();
  struct Case {
    const char* name;
    void (*mutate)(Bytes&, std::size_t opt, std::size_t table);
    const char* message;
  };
  const Case cases[] = {
      {"no MZ", [](Bytes& b, std::size_t, std::size_t) { b[0] = 'X'; }, "no MZ header"},
      {"PE header beyond the file", [](Bytes& b, std::size_t, std::size_t) { Put32(b, 0x3C, 0x7FFFFFF0); },
       "truncated"},
      {"no PE signature", [](Bytes& b, std::size_t, std::size_t) { b[0x40] = 'N'; }, "no PE signature"},
      {"PE32+", [](Bytes& b, std::size_t o, std::size_t) { Put16(b, o, 0x20B); }, "PE32+"},
      {"unknown magic", [](Bytes& b, std::size_t o, std::size_t) { Put16(b, o, 0x107); }, "magic"},
      {"short optional header", [](Bytes& b, std::size_t o, std::size_t) { Put16(b, o - 4, 64); }, "too short"},
      {"too many sections", [](Bytes& b, std::size_t o, std::size_t) { Put16(b, o - 18, 97); }, "at most 96"},
      {"section table beyond the file", [](Bytes& b, std::size_t o, std::size_t) { Put16(b, o - 18, 96); },
       "truncated"},
      {"file alignment not a power of two", [](Bytes& b, std::size_t o, std::size_t) { Put32(b, o + 36, 0x300); },
       "alignment"},
      {"section alignment below file alignment",
       [](Bytes& b, std::size_t o, std::size_t) { Put32(b, o + 32, 0x100); }, "alignment"},
      {"section data beyond the file",
       [](Bytes& b, std::size_t, std::size_t t) { Put32(b, t + kSectionHeaderSize + 16, 0x10000); }, "truncated"},
      {"headers longer than the file", [](Bytes& b, std::size_t o, std::size_t) { Put32(b, o + 60, 0x7FFFFFFF); },
       "truncated"},
  };
  for (const Case& c : cases) {
    Bytes bytes = good;
    c.mutate(bytes, opt, table);
    PeImage image;
    std::string error;
    EXPECT_NE(PeImage::Parse(bytes, bytes.size(), image, error), 0u) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
  }
  for (std::size_t size = 0; size < good.size(); size += 7) {  // every truncation fails cleanly or parses
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    PeImage image;
    std::string error;
    if (PeImage::Parse(cut, cut.size(), image, error) == 0) {
      ResourceTable resources;
      (void)ResourceTable::Read(image, resources, error);
    }
  }
}

TEST(ResourceTable, RoundTripKeepsEveryResourceInLoaderOrder) {
  const ResourceTable table = SampleTable();
  const ResourceTable read = ReadResources(CraftedPe::WithResources(table).Build());
  ExpectSameItems(table, read);
  // Names before IDs, names by code unit, shorter first.
  EXPECT_EQ(read.Items()[0].type, ResourceKey::Name(u"AVI"));
  EXPECT_EQ(read.Items()[0].name, ResourceKey::Name(u"CLOCK"));
  EXPECT_EQ(read.Items()[4].name, ResourceKey::Name(u"AB"));
  EXPECT_EQ(read.Items()[5].name, ResourceKey::Name(u"B"));
  const Resource* german = read.Find(ResourceKey::Id(kRtDialog), ResourceKey::Id(224), 1031);
  ASSERT_NE(german, nullptr);
  EXPECT_EQ(german->codePage, 1252u);
}

TEST(ResourceWriter, PlacesResourcesWhereTheImageStaysValid) {
  ResourceTable grown = SampleTable();
  grown.Set(TextResource(kRtRcData, 222, std::string(5000, 'x')));

  // The resource section is the last one: rewritten there, resized.
  const Bytes last = CraftedPe::WithResources(SampleTable(), true).Build();
  ExpectSameItems(grown, ReadResources(Rewrite(last, grown, ResourcePlacement::Kind::kGrownLastSection)));
  ExpectSameItems(SampleTable(), ReadResources(Rewrite(last, SampleTable(), ResourcePlacement::Kind::kInPlace)));

  // Another section follows it: small enough stays in place, larger goes to a new last section.
  const Bytes middle = CraftedPe::WithResources(SampleTable(), false).Build();
  ResourceTable smaller = SampleTable();
  smaller.Remove(ResourceKey::Name(u"AVI"), ResourceKey::Name(u"CLOCK"));
  ExpectSameItems(smaller, ReadResources(Rewrite(middle, smaller, ResourcePlacement::Kind::kInPlace)));
  Bytes shared = middle;  // .reloc shares the file data of .rsrc: rewriting it there would change .reloc
  const PeImage sharing = Parse(shared);
  Put32(shared, sharing.Sections()[2].headerOffset + 16, sharing.Sections()[1].sizeOfRawData);
  Put32(shared, sharing.Sections()[2].headerOffset + 20, sharing.Sections()[1].pointerToRawData);
  const Bytes moved = Rewrite(shared, smaller, ResourcePlacement::Kind::kNewSection);
  const auto sharedEnd = static_cast<std::ptrdiff_t>(Parse(shared).ImageEnd());
  EXPECT_TRUE(std::equal(shared.begin() + 0x400, shared.begin() + sharedEnd, moved.begin() + 0x400));
  const Bytes added = Rewrite(middle, grown, ResourcePlacement::Kind::kNewSection);
  ExpectSameItems(grown, ReadResources(added));
  const PeImage image = Parse(added);
  ASSERT_EQ(image.Sections().size(), 4u);
  EXPECT_EQ(image.Sections()[1].name, ".oldrsrc");
  EXPECT_EQ(image.Sections()[3].name, ".rsrc");
  EXPECT_EQ(image.Sections()[3].virtualAddress, SectionRva(3));
  EXPECT_EQ(Get32(added, image.OptionalHeaderOffset() + kOptSizeOfInitializedData),
            Get32(middle, image.OptionalHeaderOffset() + kOptSizeOfInitializedData) +
                image.Sections()[3].sizeOfRawData);

  // No resources at all, or an empty root directory: a new section, or the empty one reused.
  CraftedPe none;
  none.sections.push_back({".text", Bytes(0x10, 0xC3), 0x60000020});
  EXPECT_EQ(ReadResources(none.Build()).Items().size(), 0u);
  ExpectSameItems(grown, ReadResources(Rewrite(none.Build(), grown, ResourcePlacement::Kind::kNewSection)));
  const Bytes empty = CraftedPe::WithResources(ResourceTable()).Build();
  EXPECT_EQ(ReadResources(empty).Items().size(), 0u);
  ExpectSameItems(grown, ReadResources(Rewrite(empty, grown, ResourcePlacement::Kind::kGrownLastSection)));
  EXPECT_EQ(ReadResources(Rewrite(last, ResourceTable(), ResourcePlacement::Kind::kInPlace)).Items().size(), 0u);
}

TEST(ResourceWriter, RefusesWhenTheHeadersHaveNoRoomForANewSection) {
  CraftedPe pe = CraftedPe::WithResources(SampleTable(), false);
  pe.sizeOfHeaders = 0x200;
  for (int i = 0; i < 3; ++i) pe.sections.push_back({".pad", Bytes(4, 0)});  // the table now ends at 0x200
  ResourceTable grown = SampleTable();
  grown.Set(TextResource(kRtRcData, 222, std::string(5000, 'x')));
  Bytes out;
  ResourcePlacement placement;
  std::string error;
  EXPECT_NE(WriteResources(Parse(pe.Build()), grown, out, placement, error), 0u);
  EXPECT_NE(error.find("no free room"), std::string::npos) << error;
}

// Hand-made resource sections, each broken in one way.
TEST(ResourceTable, MalformedTreesGiveErrorsNotCrashes) {
  // A valid chain: root -> type 10 -> name 222 -> language 1033 -> data entry -> 4 bytes of data. The root has
  // room for a second entry; a spare directory and a second type and name directory follow the data.
  constexpr std::size_t kRoot = 0, kType = 32, kName = 56, kSpare = 80, kEntry = 104, kData = 120;
  constexpr std::size_t kType2 = 124, kName2 = 148;
  Bytes valid(kName2 + 24, 0);
  const auto directory = [&valid](std::size_t at, std::uint32_t name, std::uint32_t target) {
    Put16(valid, at + 14, 1);
    Put32(valid, at + 16, name);
    Put32(valid, at + 20, target);
  };
  directory(kRoot, 10, 0x80000000 | kType);
  directory(kType, 222, 0x80000000 | kName);
  directory(kName, 1033, kEntry);
  directory(kType2, 222, 0x80000000 | kName2);
  directory(kName2, 1033, kEntry);
  Put32(valid, kEntry, SectionRva(1) + kData);
  Put32(valid, kEntry + 4, 4);
  struct Case {
    const char* name;
    void (*mutate)(Bytes&);
    const char* message;
  };
  const Case cases[] = {
      {"valid", [](Bytes&) {}, ""},
      {"loop", [](Bytes& b) { Put32(b, kType + 20, 0x80000000 | kRoot); }, "(a loop)"},
      {"huge count", [](Bytes& b) { Put16(b, kRoot + 14, 0xFFFF); }, "claims 65535 entries"},
      {"data at the type level", [](Bytes& b) { Put32(b, kRoot + 20, kEntry); }, "at the type level"},
      {"too deep", [](Bytes& b) { Put32(b, kName + 20, 0x80000000 | kSpare); }, "deeper than"},
      {"language by name", [](Bytes& b) { Put32(b, kName + 16, 0x80000000 | kData); }, "language is given by a name"},
      {"name beyond the section", [](Bytes& b) { Put32(b, kType + 16, 0xFFFFFFF0); }, "resource name at offset"},
      {"name longer than the section", [](Bytes& b) {
         Put32(b, kType + 16, 0x80000000 | kData);
         Put16(b, kData, 0xFFFF);
       }, "resource name at offset"},
      {"directory beyond the section", [](Bytes& b) { Put32(b, kRoot + 20, 0xFFFFFFF0); }, "directory at offset"},
      {"data entry beyond the section", [](Bytes& b) { Put32(b, kName + 20, 0x7FFFFFF0); }, "data entry"},
      {"data outside the sections", [](Bytes& b) { Put32(b, kEntry, 0x90000); }, "outside the sections"},
      {"data longer than its section", [](Bytes& b) { Put32(b, kEntry + 4, 0xFFFFFFFF); }, "outside the sections"},
      {"ID wider than 16 bits", [](Bytes& b) { Put32(b, kType + 16, 0x12345); }, "does not fit 16 bits"},
      {"same resource twice", [](Bytes& b) {
         Put16(b, kRoot + 14, 2);
         Put32(b, kRoot + 24, 10);
         Put32(b, kRoot + 28, 0x80000000 | kType2);
       }, "lists RT_RCDATA 222 (language 1033) twice"},
      {"directory reached twice", [](Bytes& b) {
         Put16(b, kRoot + 14, 2);
         Put32(b, kRoot + 24, 11);
         Put32(b, kRoot + 28, 0x80000000 | kType);
       }, "(a loop)"},
  };
  for (const Case& c : cases) {
    Bytes tree = valid;
    c.mutate(tree);
    CraftedPe pe = CraftedPe::WithResources(ResourceTable());
    pe.rawResources = tree;
    ResourceTable table;
    std::string error;
    const KVResult result = ResourceTable::Read(Parse(pe.Build()), table, error);
    if (std::string(c.message).empty()) {
      EXPECT_EQ(result, 0u) << error;
      EXPECT_EQ(table.Items().size(), 1u);
      continue;
    }
    EXPECT_NE(result, 0u) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
  }
}

// The stub of the win32 build: its resources survive a rebuild byte for byte, and the loader's view stays whole.
TEST(ResourceWriter, RealStubKeepsItsResources) {
  const char* path = std::getenv("KVSFX_TEST_STUB");
  std::ifstream file(path != nullptr ? path : "", std::ios::binary);
  if (!file) {
    GTEST_SKIP() << "no stub at '" << (path != nullptr ? path : "")
                 << "' (KVSFX_TEST_STUB): build it with scripts/build.sh win32";
  }
  const Bytes stub{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const ResourceTable original = ReadResources(stub);
  ASSERT_NE(original.Find(ResourceKey::Id(kRtManifest), ResourceKey::Id(1), 1033), nullptr);
  ASSERT_NE(original.Find(ResourceKey::Id(kRtDialog), ResourceKey::Id(224), 1033), nullptr);
  EXPECT_EQ(Parse(stub).CheckSum(), ComputePeChecksum(stub, Parse(stub).CheckSumOffset()));

  ResourceTable changed = original;
  changed.Set(TextResource(kRtRcData, 222, "<SelfExtractor FormatVersionMajor=\"5\" FormatVersionMinor=\"2\"/>"));
  IconImage icon;
  icon.width = icon.height = 16;
  icon.data = Bytes(40 + 16 * 16 * 4 + 16 * 4, 0);
  IconChange iconChange;
  std::string error;
  ASSERT_EQ(SetApplicationIcon(changed, {icon}, iconChange, error), 0u) << error;
  const Bytes once = Rewrite(stub, changed, ResourcePlacement::Kind::kNewSection);
  ExpectSameItems(changed, ReadResources(once));
  EXPECT_EQ(Parse(once).Sections().size(), Parse(stub).Sections().size() + 1);

  // Built again from the result: the resources are now last and are rewritten there.
  changed.Set(TextResource(kRtRcData, 222, std::string(9000, 'y')));
  const Bytes twice = Rewrite(once, changed, ResourcePlacement::Kind::kGrownLastSection);
  ExpectSameItems(changed, ReadResources(twice));
  EXPECT_EQ(Parse(twice).Sections().size(), Parse(once).Sections().size());
}
