// Looking into an installer (or a bare stub): its image, resources, configuration, payload and signature.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "builder/Bytes.h"
#include "builder/ResourceTable.h"
#include "builder/VersionResource.h"

namespace kestrova {

struct InspectReport {
  std::uint64_t fileSize = 0;
  std::uint16_t machine = 0;
  bool pe32Plus = false;
  std::uint16_t subsystem = 0;
  bool isDll = false;
  std::uint64_t imageSize = 0;  // the image's end in the file
  std::uint32_t storedCheckSum = 0;
  std::uint32_t computedCheckSum = 0;
  std::vector<std::string> importedDlls;
  std::vector<Resource> resources;
  bool hasConfig = false;
  Bytes config;
  bool hasVersion = false;  // RT_VERSION 1, in the first language the table holds
  VersionInfo version;
  std::string versionProblem;  // why it could not be read
  bool hasPayload = false;
  std::uint64_t payloadOffset = 0;
  std::uint64_t payloadSize = 0;
  std::string payloadProblem;  // why a 7z signature header found was not a sound archive
  bool isSigned = false;
  std::uint32_t certificateOffset = 0;
  std::uint32_t certificateSize = 0;

  std::string Kind() const;  // "PE32 i386 Windows GUI executable"
};

// Reads what an installer holds. Fails for files that are not PE images or whose resources are malformed.
// The payload is the first sound 7z archive whose signature header starts within the first 8 MiB, as the
// installer itself finds it.
KVResult InspectInstaller(const std::string& path, InspectReport& report, std::string& error);

}  // namespace kestrova
