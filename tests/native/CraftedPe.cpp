#include "tests/native/CraftedPe.h"

#include <algorithm>

#include "builder/PeImage.h"

namespace kestrova::testing {

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
  constexpr std::uint32_t kFileAlignment = 0x200, kSectionAlignment = 0x1000;
  constexpr std::size_t kPe = 0x40, kOpt = kPe + 24;
  const std::size_t directories = pe32Plus ? kOptDataDirectoriesPe32Plus : kOptDataDirectories;
  const std::size_t optionalSize = directories + 8 * kDirectoryCount;
  const std::size_t kTable = kOpt + optionalSize, kDirs = kOpt + directories;
  const auto count = static_cast<std::uint32_t>(sections.size());
  // MZ, PE signature, file header; optional header: magic, entry point, image base, alignments, OS and subsystem
  // versions, SizeOfHeaders, subsystem, directory count.
  Bytes out = Patched(Bytes(sizeOfHeaders, 0),
                      {{0, 0x5A4D, 2}, {0x3C, kPe}, {kPe, 0x4550}, {kPe + 4, machine, 2}, {kPe + 6, count, 2},
                       {kPe + 20, static_cast<std::uint32_t>(optionalSize), 2}, {kPe + 22, characteristics, 2},
                       {kOpt, pe32Plus ? 0x20Bu : 0x10Bu, 2}, {kOpt + 16, SectionRva(0)},
                       {kOpt + (pe32Plus ? 24u : 28u), 0x400000}, {kOpt + 32, kSectionAlignment},
                       {kOpt + 36, kFileAlignment}, {kOpt + 40, 4, 2}, {kOpt + 48, 4, 2}, {kOpt + 60, sizeOfHeaders},
                       {kOpt + kOptSubsystem, subsystem, 2}, {kDirs - 4, kDirectoryCount}});
  const auto patch = [&out](const std::vector<Patch>& patches) { out = Patched(std::move(out), patches); };
  std::uint32_t rva = kSectionAlignment;
  std::uint32_t initialized = 0;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const CraftedSection& s = sections[i];
    const bool isResources = static_cast<int>(i) == resourceSection;
    const Bytes data = !isResources ? s.data : !rawResources.empty() ? rawResources : resources.Serialize(rva);
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto raw = static_cast<std::uint32_t>(AlignUp(size, kFileAlignment));
    const std::size_t h = kTable + i * kSectionHeaderSize;
    std::copy_n(s.name.begin(), std::min<std::size_t>(s.name.size(), 8), out.begin() + static_cast<std::ptrdiff_t>(h));
    const auto pointer = static_cast<std::uint32_t>(raw != 0 ? out.size() : 0);
    patch({{h + 8, size}, {h + 12, rva}, {h + 16, raw}, {h + 20, pointer}, {h + 36, s.characteristics}});
    if (isResources) patch({{kDirs + 8 * kDirectoryResource, rva}, {kDirs + 8 * kDirectoryResource + 4, size}});
    if ((s.characteristics & 0x40) != 0) initialized += raw;
    out.insert(out.end(), data.begin(), data.end());
    out.resize(out.size() + (raw - size), 0);
    rva += static_cast<std::uint32_t>(AlignUp(std::max<std::uint32_t>(size, 1), kSectionAlignment));
  }
  patch({{kOpt + kOptSizeOfInitializedData, initialized}, {kOpt + kOptSizeOfImage, rva}});
  out.insert(out.end(), overlay.begin(), overlay.end());
  Put32(out, kOpt + kOptCheckSum, ComputePeChecksum(out, kOpt + kOptCheckSum));
  return out;
}

Resource TextResource(std::uint16_t type, std::uint16_t name, const std::string& text) {
  return {ResourceKey::Id(type), ResourceKey::Id(name), kLanguageEnglishUs, 0, Bytes(text.begin(), text.end())};
}

Bytes Patched(Bytes bytes, const std::vector<Patch>& patches) {
  for (const Patch& p : patches) {
    for (std::size_t i = 0; i < p.width; ++i) bytes[p.at + i] = static_cast<std::uint8_t>(p.value >> 8 * i);
  }
  return bytes;
}

}  // namespace kestrova::testing
