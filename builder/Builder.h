// Making an installer: the stub, its configuration resource and icon, and the 7z payload behind the image.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/Bytes.h"
#include "builder/ConfigValidation.h"
#include "builder/IconFile.h"
#include "builder/PeImage.h"
#include "builder/ResourceTable.h"
#include "builder/VersionResource.h"
#include "support/StubContract.h"

namespace kestrova {

inline constexpr char kStubFileName[] = "kv-sfxstub.exe";

struct BuildOptions {
  std::string configPath;  // empty with noConfig
  bool noConfig = false;   // the installer carries no configuration (one in the stub is removed)
  std::string payloadPath;  // a folder to compress, or a 7z archive
  std::string outputPath;
  std::string stubPath;  // empty: LocateStub
  std::string iconPath;  // empty: the stub's icon stays
  VersionTexts version;
  // SOURCE_DATE_EPOCH: no time stored or written is later (seconds since 1970), and compression is the same on
  // every host.
  std::optional<std::int64_t> sourceDateEpoch;
  bool progress = false;  // show 7-Zip's progress while compressing
  bool allowTestStub = false;  // accept the x86-64 test variant of the stub
  bool strict = false;         // a warning of the check fails the build
  bool checkPayload = true;    // list the payload: refuse an archive installers could not extract, cross-check
  ConfigValidator validator = ValidateConfiguration;
};

struct BuildReport {
  std::string stubPath;
  std::uint64_t stubSize = 0;
  std::string configAction;  // "added", "replaced", "removed" or "none"
  std::uint64_t configSize = 0;
  std::vector<std::string> configWarnings;  // the messages of the configuration check's warnings
  std::string payloadNote;                  // why the payload's items were not checked, when they were not
  bool iconSet = false;
  std::size_t iconImages = 0;
  IconChange icon;
  VersionInfo version;
  ResourcePlacement placement;
  std::string compressCommand;  // when a folder was compressed
  std::uint64_t payloadOffset = 0;
  std::uint64_t payloadSize = 0;
  std::uint64_t fileSize = 0;
  std::uint32_t checkSum = 0;
};

// Receives a line to show while the build runs (the compression command before it starts).
using BuildLog = std::function<void(const std::string& line)>;

// Builds the installer at options.outputPath through a temporary file beside it: nothing is left there on failure.
KVResult BuildInstaller(const BuildOptions& options, BuildReport& report, const BuildLog& log, std::string& error);

// SOURCE_DATE_EPOCH from the environment: unset or empty gives none; anything but a decimal number of seconds
// is refused.
KVResult ReadSourceDateEpoch(std::optional<std::int64_t>& epoch, std::string& error);

// The stub next to the program, else in the share/kvsfx folder beside the program's folder (an installation in
// PREFIX/bin and PREFIX/share/kvsfx).
KVResult LocateStub(std::string& path, std::string& error);

// Whether `image` (the whole stub file) can become an installer: a 32-bit i386 GUI executable (or, with
// `allowTestStub`, the x86-64 test variant), not a DLL, without a certificate and without data behind its image.
KVResult CheckStub(const PeImage& image, bool allowTestStub, std::string& error);

// The configuration resource of a table, or null.
const Resource* FindConfiguration(const ResourceTable& table);

}  // namespace kestrova
