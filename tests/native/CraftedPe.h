// Small PE32 (or PE32+) images made in memory for the builder's tests and its fuzz target.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "builder/Bytes.h"
#include "builder/ResourceTable.h"

namespace kestrova::testing {

struct CraftedSection {
  std::string name;
  Bytes data;
  std::uint32_t characteristics = 0x40000040;  // initialised data, readable
};

struct CraftedPe {
  std::uint16_t machine = 0x014C;
  bool pe32Plus = false;  // the wider optional header of 64-bit images
  std::uint16_t characteristics = 0x0102;  // executable, 32-bit
  std::uint16_t subsystem = 2;             // Windows GUI
  std::uint32_t sizeOfHeaders = 0x400;
  std::vector<CraftedSection> sections;  // at RVA 0x1000, 0x2000, ... (one page each unless larger)
  int resourceSection = -1;              // the section whose data is `resources`, serialised at its RVA
  ResourceTable resources;
  Bytes rawResources;  // when not empty: the resource section's bytes as they are
  Bytes overlay;       // bytes behind the image

  // A program with a code section and the resources in a section of their own (the last one by default).
  static CraftedPe WithResources(const ResourceTable& resources, bool resourcesLast = true);
  Bytes Build() const;
};

// The RVA at which section `index` of a CraftedPe starts when every section before it fits in one page.
constexpr std::uint32_t SectionRva(std::size_t index) { return 0x1000u * static_cast<std::uint32_t>(index + 1); }

// A resource of the given type and name (language 1033) holding `text`.
Resource TextResource(std::uint16_t type, std::uint16_t name, const std::string& text);

// A little-endian value of `width` bytes at `at`.
struct Patch {
  std::size_t at;
  std::uint32_t value;
  std::size_t width = 4;
};
Bytes Patched(Bytes bytes, const std::vector<Patch>& patches);

}  // namespace kestrova::testing
