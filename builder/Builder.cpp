#include "builder/Builder.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "builder/FailureMessage.h"
#include "builder/FileIo.h"
#include "builder/PayloadCheck.h"
#include "builder/Platform.h"
#include "builder/SevenZipHeader.h"
#include "builder/SevenZipTool.h"
#include "support/Formatter.h"
#include "support/Text.h"
#include "support/XmlDocument.h"

using kestrova::KV_E_FAIL;
using kestrova::KV_E_NOT_FOUND;
using kestrova::KVFormat;

namespace kestrova {

namespace {

constexpr std::uint64_t kMaxStubSize = 64u << 20;
constexpr std::uint64_t kMaxConfigSize = 16u << 20;
constexpr std::uint64_t kMaxIconSize = 16u << 20;

// Adds, replaces or removes the configuration resource.
KVResult UpdateConfiguration(const BuildOptions& options, const std::vector<std::string>* payloadItems,
                             ResourceTable& table, BuildReport& report, std::string& error) {
  const ResourceKey type = ResourceKey::Id(kConfigResourceType);
  const ResourceKey name = ResourceKey::Id(kConfigResourceId);
  if (options.noConfig) {
    report.configAction = table.Remove(type, name) != 0 ? "removed" : "none";
    return KV_OK;
  }
  Bytes document;
  if (const KVResult r = ReadWholeFile(options.configPath, kMaxConfigSize, document, error); r != KV_OK) return r;
  if (document.empty()) return Fail(error, KV_E_INVALID_DATA, options.configPath + ": the configuration is empty");
  std::string reason;
  if (const KVResult r = options.validator(options.configPath, document, payloadItems, report.configWarnings, reason);
      r != KV_OK) {
    return Fail(error, r, KVFormat("{}: the configuration is not valid:\n{}", options.configPath, reason));
  }
  if (options.strict && !report.configWarnings.empty()) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("{}: {} warnings, and --strict makes any warning fail the build", options.configPath,
                         report.configWarnings.size()));
  }
  report.configAction = table.Find(type, name, kConfigResourceLanguage) != nullptr ? "replaced" : "added";
  report.configSize = document.size();
  table.Set({type, name, kConfigResourceLanguage, 0, std::move(document)});
  return KV_OK;
}

// The text of the document's Title, "Setup" when it has none (the title a launch-mode installer shows).
std::string ConfiguredTitle(const Resource* config) {
  std::u16string title;
  if (config != nullptr) {
    const std::string text(config->data.begin(), config->data.end());
    KVXmlDocument document;
    std::vector<XmlElementRef> roots, titles;
    if (document.Parse(text.c_str()) == KV_OK && document.GetChildElements("SelfExtractor", roots) == KV_OK &&
        !roots.empty() && roots.front().GetChildElements("Title", titles) == KV_OK && !titles.empty()) {
      titles.front().GetText(title);
    }
  }
  return title.empty() ? std::string("Setup") : Utf16ToUtf8(title);
}

// Replaces the stub's version resource (every language of RT_VERSION 1) with the installer's.
KVResult UpdateVersion(const BuildOptions& options, ResourceTable& table, BuildReport& report, std::string& error) {
  const std::uint64_t fileDate = options.sourceDateEpoch ? FileTimeFromUnixSeconds(*options.sourceDateEpoch) : 0;
  const std::string fileName = PathOf(options.outputPath).filename().u8string();
  if (const KVResult r = MakeVersionInfo(options.version, ConfiguredTitle(FindConfiguration(table)), fileName,
                                         fileDate, report.version, error);
      r != KV_OK) {
    return r;
  }
  Bytes data;
  if (const KVResult r = EncodeVersionResource(report.version, data, error); r != KV_OK) return r;
  const ResourceKey type = ResourceKey::Id(kRtVersion);
  const ResourceKey name = ResourceKey::Id(kVersionResourceId);
  table.Remove(type, name);
  table.Set({type, name, kLanguageEnglishUs, 0, std::move(data)});
  return KV_OK;
}

KVResult UpdateIcon(const BuildOptions& options, ResourceTable& table, BuildReport& report, std::string& error) {
  if (options.iconPath.empty()) return KV_OK;
  Bytes file;
  if (const KVResult r = ReadWholeFile(options.iconPath, kMaxIconSize, file, error); r != KV_OK) return r;
  std::vector<IconImage> images;
  std::string reason;
  if (const KVResult r = ParseIconFile(file, images, reason); r != KV_OK) {
    return Fail(error, r, options.iconPath + ": " + reason);
  }
  if (const KVResult r = SetApplicationIcon(table, images, report.icon, error); r != KV_OK) return r;
  report.iconSet = true;
  report.iconImages = images.size();
  return KV_OK;
}

// A copy of the payload folder whose times are clamped to SOURCE_DATE_EPOCH, as tar --clamp-mtime stores them:
// 7-Zip stores the times it finds, and the user's files are not ours to change. Removed when it goes away.
class ClampedCopy {
 public:
  explicit ClampedCopy(std::string path) : path_(std::move(path)) {}
  ~ClampedCopy() {
    std::error_code ignored;
    if (made_) std::filesystem::remove_all(PathOf(path_), ignored);
  }
  ClampedCopy(const ClampedCopy&) = delete;
  ClampedCopy& operator=(const ClampedCopy&) = delete;
  const std::string& Path() const { return path_; }

  // Two passes: the items first, then their times (writing into a folder changes its time). The copy itself is
  // skipped when it lies inside the folder (an output written into the payload folder).
  KVResult Make(const std::string& folder, std::int64_t epoch, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path from = PathOf(folder);
    const fs::path to = PathOf(path_);
    std::error_code ec;
    fs::remove_all(to, ec);
    made_ = true;
    if (!fs::create_directory(to, ec)) {
      return Fail(error, KV_E_FAIL, KVFormat("cannot create {}: {}", path_, ec.message()));
    }
    const fs::path skipped = fs::weakly_canonical(to, ec);
    for (const bool times : {false, true}) {
      for (fs::recursive_directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        if (fs::weakly_canonical(it->path(), ec) == skipped) {
          it.disable_recursion_pending();
          continue;
        }
        const fs::path copy = to / it->path().lexically_relative(from);
        if (times) {
          if (const KVResult r = CopyModificationTimeClamped(it->path().u8string(), copy.u8string(), epoch, error);
              r != KV_OK) {
            return r;
          }
        } else if (it->is_symlink(ec)) {
          fs::copy_symlink(it->path(), copy, ec);
        } else if (it->is_directory(ec)) {
          fs::create_directory(copy, ec);
        } else {
          fs::copy_file(it->path(), copy, ec);
        }
        if (ec) return Fail(error, KV_E_FAIL, KVFormat("cannot copy {}: {}", it->path().u8string(), ec.message()));
      }
      if (ec) return Fail(error, KV_E_FAIL, KVFormat("cannot read the folder {}: {}", folder, ec.message()));
    }
    return KV_OK;
  }

 private:
  std::string path_;
  bool made_ = false;
};

// The archive to append: the given one, or a new one that 7-Zip makes from the folder into `temporary`.
KVResult PreparePayload(const BuildOptions& options, PendingFile& temporary, std::string& archive,
                        BuildReport& report, const BuildLog& log, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_directory(PathOf(options.payloadPath), ec)) {
    archive = options.payloadPath;
    return KV_OK;
  }
  const std::string sevenZip = FindSevenZip();
  if (sevenZip.empty()) {
    return Fail(error, KV_E_NOT_FOUND,
                KVFormat("{} is a folder, and compressing it needs 7-Zip: neither 7zz nor 7z is on PATH (install "
                         "7-Zip, or give a .7z archive)",
                         options.payloadPath));
  }
  ClampedCopy clamped(KVFormat("{}.payload-{}.tmp", options.outputPath, CurrentProcessId()));
  if (options.sourceDateEpoch) {
    if (const KVResult r = clamped.Make(options.payloadPath, *options.sourceDateEpoch, error); r != KV_OK) return r;
  }
  temporary.Reserve();
  const std::vector<std::string> command =
      CompressCommand(sevenZip, options.sourceDateEpoch ? clamped.Path() : options.payloadPath,
                      temporary.TemporaryPath(), options.progress, options.sourceDateEpoch.has_value());
  report.compressCommand = CommandText(command);
  log("compressing " + options.payloadPath + ": " + report.compressCommand);
  int exitCode = 0;
  if (const KVResult r = RunProgram(command, nullptr, exitCode, error); r != KV_OK) return r;
  if (exitCode != 0) {
    return Fail(error, KV_E_FAIL, KVFormat("compressing {} failed: {} ended with exit code {}", options.payloadPath,
                                           sevenZip, exitCode));
  }
  archive = temporary.TemporaryPath();
  return KV_OK;
}

// Writes the image, then the archive behind it, then the checksum over both.
KVResult WriteInstaller(const BuildOptions& options, const PeImage& stub, const Bytes& image,
                        const std::string& archive, std::uint64_t archiveSize, BuildReport& report,
                        std::string& error) {
  PendingFile output(options.outputPath);
  if (const KVResult r = output.Open(error); r != KV_OK) return r;
  PeChecksum checksum(stub.CheckSumOffset());
  checksum.Update(image.data(), image.size());
  if (const KVResult r = output.Write(image.data(), image.size(), error); r != KV_OK) return r;
  constexpr std::size_t kPiece = 4u << 20;
  for (std::uint64_t done = 0; done < archiveSize;) {
    Bytes piece;
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(archiveSize - done, kPiece));
    if (const KVResult r = ReadFileRange(archive, done, size, piece, error); r != KV_OK) return r;
    checksum.Update(piece.data(), piece.size());
    if (const KVResult r = output.Write(piece.data(), piece.size(), error); r != KV_OK) return r;
    done += size;
  }
  report.checkSum = checksum.Value();
  Bytes field(4);
  Put32(field, 0, report.checkSum);
  if (const KVResult r = output.WriteAt(stub.CheckSumOffset(), field.data(), field.size(), error); r != KV_OK) {
    return r;
  }
  if (const KVResult r = output.Commit(error); r != KV_OK) return r;
  report.payloadOffset = image.size();
  report.payloadSize = archiveSize;
  report.fileSize = image.size() + archiveSize;
  return KV_OK;
}

}  // namespace

KVResult ReadSourceDateEpoch(std::optional<std::int64_t>& epoch, std::string& error) {
  epoch.reset();
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr || *text == '\0') return KV_OK;
  std::int64_t seconds = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || seconds > (std::int64_t{1} << 40)) {
      return Fail(error, KV_E_INVALID_DATA,
                  KVFormat("SOURCE_DATE_EPOCH is '{}', not a number of seconds since 1970-01-01 00:00 UTC", text));
    }
    seconds = seconds * 10 + (*c - '0');
  }
  epoch = seconds;
  return KV_OK;
}

KVResult LocateStub(std::string& path, std::string& error) {
  const std::string folder = ProgramDirectory();
  const std::filesystem::path base = PathOf(folder);
  const std::string candidates[] = {(base / kStubFileName).u8string(),
                                    (base / ".." / "share" / "kvsfx" / kStubFileName).u8string()};
  for (const std::string& candidate : candidates) {
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_regular_file(PathOf(candidate), ec)) {
      path = candidate;
      return KV_OK;
    }
  }
  return Fail(error, KV_E_NOT_FOUND,
              KVFormat("no stub given and none found: {} is neither next to kvsfx ({}) nor in {}; give one with "
                       "--stub",
                       kStubFileName, candidates[0], candidates[1]));
}

KVResult CheckStub(const PeImage& image, bool allowTestStub, std::string& error) {
  // The shipped stub is i386; its x86-64 build is for hosts whose test Wine runs only 64-bit programs.
  const bool i386 = image.Machine() == kMachineI386 && !image.IsPe32Plus();
  const bool amd64 = image.Machine() == kMachineAmd64 && image.IsPe32Plus();
  if (amd64 && !allowTestStub) {
    return Fail(error, KV_E_INVALID_DATA,
                "the stub is the x86-64 test variant, not the i386 program that starts on every Windows; give "
                "--allow-test-stub to build a test installer from it");
  }
  if (!i386 && !amd64) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("the stub is built for machine 0x{:04x} in a {} image, not for i386 (0x014c)",
                         image.Machine(), image.IsPe32Plus() ? "PE32+" : "PE32"));
  }
  if ((image.Characteristics() & kFileDll) != 0 || (image.Characteristics() & kFileExecutableImage) == 0) {
    return Fail(error, KV_E_INVALID_DATA, "the stub is not an executable program (a DLL or an object file)");
  }
  if (image.Subsystem() != kSubsystemWindowsGui) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("the stub is not a Windows GUI program (subsystem {}{})", image.Subsystem(),
                         image.Subsystem() == kSubsystemWindowsConsole ? ", console" : ""));
  }
  if (image.Directory(kDirectorySecurity).address != 0 || image.Directory(kDirectorySecurity).size != 0) {
    return Fail(error, KV_E_INVALID_DATA,
                "the stub is signed: a signature cannot cover a payload added after it; build from the unsigned "
                "stub and sign the installer afterwards");
  }
  if (image.FileSize() > image.ImageEnd()) {
    const std::uint64_t offset = image.ImageEnd();
    const std::size_t held = image.Data().size() > offset ? static_cast<std::size_t>(image.Data().size() - offset) : 0;
    SevenZipStartHeader header;
    const bool payload = held > 0 && ReadSevenZipStartHeader(image.Data().data() + offset, held, header);
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("the stub has {} bytes after its image at offset 0x{:x} ({}); use a stub without them",
                         image.FileSize() - offset, offset,
                         payload ? "it already carries a payload" : "appended data or debug symbols"));
  }
  return KV_OK;
}

const Resource* FindConfiguration(const ResourceTable& table) {
  return table.Find(ResourceKey::Id(kConfigResourceType), ResourceKey::Id(kConfigResourceId), kConfigResourceLanguage);
}

KVResult BuildInstaller(const BuildOptions& options, BuildReport& report, const BuildLog& log, std::string& error) {
  report = BuildReport();
  report.stubPath = options.stubPath;
  if (report.stubPath.empty()) {
    if (const KVResult r = LocateStub(report.stubPath, error); r != KV_OK) return r;
  }
  Bytes stubBytes;
  if (const KVResult r = ReadWholeFile(report.stubPath, kMaxStubSize, stubBytes, error); r != KV_OK) return r;
  report.stubSize = stubBytes.size();
  PeImage stub;
  std::string reason;
  const auto stubFailure = [&](KVResult code) { return Fail(error, code, report.stubPath + ": " + reason); };
  if (const KVResult r = PeImage::Parse(std::move(stubBytes), report.stubSize, stub, reason); r != KV_OK) {
    return stubFailure(r);
  }
  if (const KVResult r = CheckStub(stub, options.allowTestStub, reason); r != KV_OK) return stubFailure(r);
  ResourceTable resources;
  if (const KVResult r = ResourceTable::Read(stub, resources, reason); r != KV_OK) return stubFailure(r);

  // The payload as installers will meet it, before anything is written.
  std::vector<PayloadItem> items;
  bool listed = false;
  if (options.checkPayload) {
    if (const KVResult r = ListPayload(options.payloadPath, items, listed, report.payloadNote, error); r != KV_OK) {
      return r;
    }
    if (const KVResult r = CheckArchiveItems(items, reason); r != KV_OK) {
      return Fail(error, r, options.payloadPath + ": " + reason);
    }
  }
  const std::vector<std::string> itemPaths = ItemPaths(items);
  if (const KVResult r = UpdateConfiguration(options, listed ? &itemPaths : nullptr, resources, report, error);
      r != KV_OK) {
    return r;
  }
  if (const KVResult r = UpdateIcon(options, resources, report, error); r != KV_OK) return r;
  if (const KVResult r = UpdateVersion(options, resources, report, error); r != KV_OK) return r;
  Bytes image;
  if (const KVResult r = WriteResources(stub, resources, image, report.placement, reason); r != KV_OK) {
    return stubFailure(r);
  }
  if (image.size() + kSevenZipHeaderSize > kPayloadSearchLimit) {
    return Fail(error, KV_E_OUT_OF_RANGE,
                KVFormat("the installer's image would be {} bytes; its payload must start within the first {} MiB "
                         "for the installer to find it",
                         image.size(), kPayloadSearchLimit >> 20));
  }
  // The installer takes the first valid 7z signature header in its file for its payload.
  if (const std::size_t early = FindSevenZipStartHeader(image.data(), image.size()); early < image.size()) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("the installer's image holds a 7z signature header at offset 0x{:x} (in its resources?), "
                         "which the installer would take for its payload",
                         early));
  }

  PendingFile compressed(options.outputPath, ".7z");
  std::string archive;
  if (const KVResult r = PreparePayload(options, compressed, archive, report, log, error); r != KV_OK) return r;
  std::uint64_t archiveFileSize = 0;
  std::uint64_t archiveSize = 0;
  if (const KVResult r = GetFileSize(archive, archiveFileSize, error); r != KV_OK) return r;
  if (const KVResult r = CheckArchiveAt(archive, 0, archiveFileSize, archiveSize, error); r != KV_OK) return r;
  return WriteInstaller(options, stub, image, archive, archiveFileSize, report, error);
}

}  // namespace kestrova
