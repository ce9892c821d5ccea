#include "builder/Inspector.h"

#include <algorithm>

#include "builder/Builder.h"
#include "builder/FailureMessage.h"
#include "builder/FileIo.h"
#include "builder/PeImage.h"
#include "builder/PeImports.h"
#include "builder/SevenZipHeader.h"
#include "builder/SevenZipTool.h"
#include "support/Formatter.h"
#include "support/StubContract.h"

using kestrova::KVFormat;

namespace kestrova {

namespace {

constexpr std::size_t kHeaderProbe = 1u << 20;
constexpr std::uint64_t kMaxImage = 256u << 20;

KVResult ComputeFileCheckSum(const std::string& path, std::uint64_t fileSize, std::uint64_t checkSumOffset,
                             std::uint32_t& value, std::string& error) {
  PeChecksum checksum(checkSumOffset);
  for (std::uint64_t done = 0; done < fileSize;) {
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize - done, 4u << 20));
    Bytes piece;
    if (const KVResult r = ReadFileRange(path, done, size, piece, error); r != KV_OK) return r;
    checksum.Update(piece.data(), piece.size());
    done += size;
  }
  value = checksum.Value();
  return KV_OK;
}

// Finds the payload as the installer does: the first signature header with a matching CRC in the first 8 MiB.
KVResult FindPayload(const std::string& path, InspectReport& report, std::string& error) {
  const auto window = static_cast<std::size_t>(std::min<std::uint64_t>(report.fileSize, kPayloadSearchLimit + 31));
  Bytes bytes;
  if (const KVResult r = ReadFileRange(path, 0, window, bytes, error); r != KV_OK) return r;
  const std::size_t found = FindSevenZipStartHeader(bytes.data(), bytes.size());
  if (found >= bytes.size()) return KV_OK;
  report.hasPayload = true;
  report.payloadOffset = found;
  std::string problem;
  if (CheckArchiveAt(path, found, report.fileSize, report.payloadSize, problem) != KV_OK) {
    report.payloadProblem = problem;
  }
  return KV_OK;
}

}  // namespace

std::string InspectReport::Kind() const {
  std::string machineName = machine == kMachineI386    ? std::string("i386")
                            : machine == kMachineAmd64 ? std::string("x86-64")
                                                       : KVFormat("machine 0x{:04x}", machine);
  std::string subsystemName = subsystem == kSubsystemWindowsGui       ? "Windows GUI"
                              : subsystem == kSubsystemWindowsConsole ? "Windows console"
                                                                      : KVFormat("subsystem {}", subsystem);
  return KVFormat("{} {} {} {}", pe32Plus ? "PE32+" : "PE32", machineName, subsystemName, isDll ? "DLL" : "executable");
}

KVResult InspectInstaller(const std::string& path, InspectReport& report, std::string& error) {
  report = InspectReport();
  if (const KVResult r = GetFileSize(path, report.fileSize, error); r != KV_OK) return r;
  Bytes prefix;
  const auto probe = static_cast<std::size_t>(std::min<std::uint64_t>(report.fileSize, kHeaderProbe));
  if (const KVResult r = ReadFileRange(path, 0, probe, prefix, error); r != KV_OK) return r;
  std::string reason;
  PeImage image;
  if (const KVResult r = PeImage::Parse(std::move(prefix), report.fileSize, image, reason); r != KV_OK) {
    return Fail(error, r, path + ": " + reason);
  }
  if (image.ImageEnd() > kMaxImage) {
    return Fail(error, kestrova::KV_E_OUT_OF_RANGE,
                KVFormat("{}: its image is {} bytes long; at most {} MiB are inspected", path, image.ImageEnd(),
                         kMaxImage >> 20));
  }
  if (image.Data().size() < image.ImageEnd()) {  // the whole image, for its resources
    Bytes whole;
    if (const KVResult r = ReadFileRange(path, 0, static_cast<std::size_t>(image.ImageEnd()), whole, error);
        r != KV_OK) {
      return r;
    }
    if (const KVResult r = PeImage::Parse(std::move(whole), report.fileSize, image, reason); r != KV_OK) {
      return Fail(error, r, path + ": " + reason);
    }
  }
  report.machine = image.Machine();
  report.pe32Plus = image.IsPe32Plus();
  if (const KVResult r = ReadImportedDlls(image, report.importedDlls, reason); r != KV_OK) {
    return Fail(error, r, path + ": " + reason);
  }
  report.subsystem = image.Subsystem();
  report.isDll = (image.Characteristics() & kFileDll) != 0;
  report.imageSize = image.ImageEnd();
  report.storedCheckSum = image.CheckSum();
  if (const KVResult r = ComputeFileCheckSum(path, report.fileSize, image.CheckSumOffset(), report.computedCheckSum,
                                             error);
      r != KV_OK) {
    return r;
  }

  ResourceTable table;
  if (const KVResult r = ResourceTable::Read(image, table, reason); r != KV_OK) {
    return Fail(error, r, path + ": " + reason);
  }
  report.resources = table.Items();
  if (const Resource* config = FindConfiguration(table)) {
    report.hasConfig = true;
    report.config = config->data;
  }
  for (const Resource& r : report.resources) {
    if (r.type == ResourceKey::Id(kRtVersion) && r.name == ResourceKey::Id(kVersionResourceId)) {
      report.hasVersion = true;
      DecodeVersionResource(r.data, report.version, report.versionProblem);
      break;
    }
  }

  const PeDataDirectory certificate = image.Directory(kDirectorySecurity);
  report.isSigned = certificate.address != 0 && certificate.size != 0;
  report.certificateOffset = certificate.address;
  report.certificateSize = certificate.size;
  return FindPayload(path, report, error);
}

}  // namespace kestrova
