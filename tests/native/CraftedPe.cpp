#include "tests/native/CraftedPe.h"

#include <algorithm>

#include "builder/PeImage.h"

namespace kvsfx::testing {

CraftedPe CraftedPe::WithResources(const ResourceTable& resources, bool resourcesLast) {
  CraftedPe pe;
  pe.sections.push_back({".text", Bytes(0x200, 0xC3), 0x60000020});
  pe.sections.push_back({".rsrc", {}});
  if (!resourcesLast) pe.sections.push_back({".reloc", Bytes(0x20, 0), 0x42000040});
  pe.resourceSection = 1;
  pe.resources = resources;
  return pe;
}

Bytes CraftedPe::Build() const {
  constexpr std::uint32_t kFileAlignment = 0x200;
  constexpr std::uint32_t kSectionAlignment = 0x1000;
  constexpr std::size_t kPe = 0x40;
  constexpr std::size_t kOpt = kPe + 24;
  constexpr std::size_t kTable = kOpt + 224;
  Bytes out(sizeOfHeaders, 0);
  out[0] = 'M';
  out[1] = 'Z';
  Put32(out, 0x3C, kPe);
  Put32(out, kPe, 0x00004550);
  Put16(out, kPe + 4, machine);
  Put16(out, kPe + 6, static_cast<std::uint16_t>(sections.size()));
  Put16(out, kPe + 20, 224);
  Put16(out, kPe + 22, characteristics);
  Put16(out, kOpt, 0x010B);
  Put32(out, kOpt + 16, SectionRva(0));  // entry point
  Put32(out, kOpt + 28, 0x00400000);     // image base
  Put32(out, kOpt + 32, kSectionAlignment);
  Put32(out, kOpt + 36, kFileAlignment);
  Put16(out, kOpt + 40, 4);  // operating system version
  Put16(out, kOpt + 48, 4);  // subsystem version
  Put32(out, kOpt + 60, sizeOfHeaders);
  Put16(out, kOpt + 68, subsystem);
  Put32(out, kOpt + 92, 16);
  Put32(out, kOpt + kOptDataDirectories + 8 * kDirectorySecurity, certificateOffset);
  Put32(out, kOpt + kOptDataDirectories + 8 * kDirectorySecurity + 4, certificateSize);

  std::uint32_t rva = kSectionAlignment;
  std::uint32_t initialized = 0;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const CraftedSection& s = sections[i];
    const bool isResources = static_cast<int>(i) == resourceSection;
    const Bytes data = !isResources ? s.data : !rawResources.empty() ? rawResources : resources.Serialize(rva);
    const auto raw = static_cast<std::uint32_t>(AlignUp(data.size(), kFileAlignment));
    const std::uint32_t virtualSize = s.virtualSize != 0 ? s.virtualSize : static_cast<std::uint32_t>(data.size());
    const std::size_t h = kTable + i * kSectionHeaderSize;
    std::copy(s.name.begin(), s.name.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(s.name.size(), 8)),
              out.begin() + static_cast<std::ptrdiff_t>(h));
    Put32(out, h + 8, virtualSize);
    Put32(out, h + 12, rva);
    Put32(out, h + 16, raw);
    Put32(out, h + 20, raw != 0 ? static_cast<std::uint32_t>(out.size()) : 0);
    Put32(out, h + 36, s.characteristics);
    if (isResources) {
      Put32(out, kOpt + kOptDataDirectories + 8 * kDirectoryResource, rva);
      Put32(out, kOpt + kOptDataDirectories + 8 * kDirectoryResource + 4, static_cast<std::uint32_t>(data.size()));
    }
    if ((s.characteristics & 0x40) != 0) initialized += raw;
    out.insert(out.end(), data.begin(), data.end());
    out.resize(out.size() + (raw - data.size()), 0);
    rva += static_cast<std::uint32_t>(AlignUp(std::max<std::uint32_t>(virtualSize, 1), kSectionAlignment));
  }
  Put32(out, kOpt + kOptSizeOfInitializedData, initialized);
  Put32(out, kOpt + kOptSizeOfImage, rva);
  out.insert(out.end(), overlay.begin(), overlay.end());
  Put32(out, kOpt + kOptCheckSum, ComputePeChecksum(out, kOpt + kOptCheckSum));
  return out;
}

Resource TextResource(std::uint16_t type, std::uint16_t name, const std::string& text) {
  return {ResourceKey::Id(type), ResourceKey::Id(name), kLanguageEnglishUs, 0, Bytes(text.begin(), text.end())};
}

}  // namespace kvsfx::testing
