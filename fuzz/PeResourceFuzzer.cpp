// PE headers and the resource directory from arbitrary bytes: parse, read the version resource, rebuild, parse
// again.
//
// Inputs that start with "MZ" are taken as whole files. Any other input patches a small valid image with
// resources: it is read as (offset, byte) pairs, 3 bytes each, so that mutations reach deep into the tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "builder/IconFile.h"
#include "builder/PeImage.h"
#include "builder/PeImports.h"
#include "builder/ResourceTable.h"
#include "builder/VersionResource.h"
#include "tests/native/CraftedPe.h"

using namespace kestrova;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

const Bytes& Template() {
  static const Bytes bytes = [] {
    ResourceTable table;
    table.Set(testing::TextResource(kRtManifest, 1, "<assembly/>"));
    table.Set(testing::TextResource(kRtRcData, 222, "<SelfExtractor/>"));
    table.Set({ResourceKey::Name(u"AVI"), ResourceKey::Name(u"CLOCK"), 1031, 0, Bytes(24, 7)});
    table.Set({ResourceKey::Id(kRtGroupIcon), ResourceKey::Id(1), 1033, 0,
               Bytes{0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 8, 0, 0, 0, 1, 0}});
    VersionInfo version;
    version.strings = {{u"CompanyName", u"Contoso"}, {u"FileVersion", u"1.2"}};
    Bytes versionData;
    std::string error;
    EncodeVersionResource(version, versionData, error);
    table.Set({ResourceKey::Id(kRtVersion), ResourceKey::Id(kVersionResourceId), 1033, 0, versionData});
    return testing::CraftedPe::WithResources(table, false).Build();
  }();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes;
  if (size >= 2 && data[0] == 'M' && data[1] == 'Z') {
    bytes.assign(data, data + size);
  } else {
    bytes = Template();
    for (std::size_t i = 0; i + 3 <= size; i += 3) bytes[(data[i] | (data[i + 1] << 8)) % bytes.size()] = data[i + 2];
  }

  PeImage image;
  std::string error;
  if (PeImage::Parse(bytes, bytes.size(), image, error) != 0) {
    Check(!error.empty());
    return 0;
  }
  Check(image.ImageEnd() <= bytes.size());
  std::vector<std::string> dlls;
  if (ReadImportedDlls(image, dlls, error) != 0) Check(!error.empty());
  ResourceTable table;
  if (ResourceTable::Read(image, table, error) != 0) {
    Check(!error.empty());
    return 0;
  }
  for (const Resource& r : table.Items()) {
    VersionInfo version;
    if (r.type == ResourceKey::Id(kRtVersion) && DecodeVersionResource(r.data, version, error) != 0) {
      Check(!error.empty());
    }
  }
  // What was read survives a rebuild with a configuration and an icon added.
  table.Set(testing::TextResource(kRtRcData, 222, "<SelfExtractor FormatVersionMajor=\"5\"/>"));
  IconImage icon;
  icon.data = Bytes(40, 1);
  IconChange change;
  if (SetApplicationIcon(table, {icon}, change, error) != 0) return 0;  // a malformed icon group
  Bytes rebuilt;
  ResourcePlacement placement;
  if (WriteResources(image, table, rebuilt, placement, error) != 0) {
    Check(!error.empty());
    return 0;
  }
  PeImage again;
  Check(PeImage::Parse(rebuilt, rebuilt.size(), again, error) == 0);
  ResourceTable reread;
  Check(ResourceTable::Read(again, reread, error) == 0);
  Check(reread.Items().size() == table.Items().size());
  for (std::size_t i = 0; i < table.Items().size(); ++i) Check(reread.Items()[i].data == table.Items()[i].data);
  Check(again.CheckSum() == ComputePeChecksum(rebuilt, again.CheckSumOffset()));
  return 0;
}
