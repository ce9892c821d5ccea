// kvsfx build
#include <cstdio>

#include "builder/Builder.h"
#include "builder/Cli.h"
#include "builder/Platform.h"
#include "support/Formatter.h"

using kestrova::KVFormat;

namespace kestrova {

const char kBuildUsage[] =
    "usage: kvsfx build (--config FILE | --no-config) --payload DIR|ARCHIVE.7z -o OUTPUT.exe\n"
    "                   [--stub STUB.exe] [--icon FILE.ico] [--no-check] [--strict] [--allow-test-stub]\n"
    "                   [version options]\n"
    "\n"
    "Makes an installer: a copy of the stub with the configuration as its resource RT_RCDATA 222\n"
    "(language 1033) and the payload, a 7z archive, behind its image.\n"
    "\n"
    "  --config FILE       the configuration document to embed; replaces one the stub has\n"
    "  --no-config         embed none and remove one the stub has: the installer only extracts\n"
    "  --payload DIR       a folder, whose contents 7-Zip (7zz or 7z on PATH) compresses with LZMA2\n"
    "  --payload FILE.7z   or a ready 7z archive, appended as it is once it is read with the installer's\n"
    "                      rules: a method it cannot decode or an item path it refuses is an error\n"
    "  -o, --output FILE   the installer to write; it appears only when complete\n"
    "  --stub FILE         the stub (default: kv-sfxstub.exe next to kvsfx, else in ../share/kvsfx/)\n"
    "  --icon FILE.ico     replace the application icon\n"
    "  --no-check          embed the configuration even when 'kvsfx check' rejects it, and a ready archive\n"
    "                      that installers cannot extract (for testing how installers fail); without it the\n"
    "                      check's warnings are shown, not failing the build\n"
    "  --strict            fail (exit 1, nothing written) when the check or the payload gives any warning\n"
    "  --allow-test-stub   accept the x86-64 test variant of the stub (installers that do not start on 32-bit\n"
    "                      Windows); without it only the i386 stub is taken\n"
    "  -h, --help          show this help\n"
    "\n"
    "Version information (RT_VERSION 1, what Explorer and deployment tools show; the stub's is replaced):\n"
    "  --product-name TEXT       ProductName\n"
    "  --product-version X.Y.Z.W ProductVersion (default: the file version)\n"
    "  --file-version X.Y.Z.W    FileVersion, one to four numbers up to 65535 (default: the product version,\n"
    "                            else 0.0.0.0)\n"
    "  --company TEXT            CompanyName\n"
    "  --description TEXT        FileDescription (default: the configuration's Title, else Setup)\n"
    "  --copyright TEXT          LegalCopyright\n"
    "OriginalFilename and InternalName are the output's file name.\n"
    "\n"
    "SOURCE_DATE_EPOCH (seconds since 1970) makes builds reproducible: no payload item is stored with a later\n"
    "time, the version's file date is that time, and 7-Zip compresses the same way on every host.\n"
    "\n"
    "Sign after building: osslsigncode sign ... -in OUTPUT.exe -out SIGNED.exe, or signtool sign ...\n"
    "The signature then covers the payload; a signed stub is refused.\n";

int RunBuild(const std::vector<std::string>& arguments) {
  BuildOptions options;
  bool noCheck = false;
  CommandOptions parser("build");
  parser.Value("", "config", options.configPath)
      .Flag("no-config", options.noConfig)
      .Value("", "payload", options.payloadPath)
      .Value("o", "output", options.outputPath)
      .Value("", "stub", options.stubPath)
      .Value("", "icon", options.iconPath)
      .Flag("no-check", noCheck)
      .Flag("strict", options.strict)
      .Flag("allow-test-stub", options.allowTestStub)
      .Value("", "product-name", options.version.productName)
      .Value("", "product-version", options.version.productVersion)
      .Value("", "file-version", options.version.fileVersion)
      .Value("", "company", options.version.company)
      .Value("", "description", options.version.description)
      .Value("", "copyright", options.version.copyright);
  if (const int status = parser.Parse(arguments); status != kExitOk) return status;
  if (noCheck) {
    options.validator = AcceptAnyConfiguration;
    options.checkPayload = false;
  }
  if (options.noConfig == !options.configPath.empty()) {
    return parser.UsageError("give either --config FILE or --no-config");
  }
  if (options.payloadPath.empty()) return parser.UsageError("--payload DIR|ARCHIVE.7z is missing");
  if (options.outputPath.empty()) return parser.UsageError("-o OUTPUT.exe is missing");
  options.progress = IsTerminal(stdout);

  BuildReport report;
  std::string error;
  if (ReadSourceDateEpoch(options.sourceDateEpoch, error) != KV_OK) return ReportFailure("build", error);
  const BuildLog log = [](const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
  };
  const KVResult built = BuildInstaller(options, report, log, error);
  std::fflush(stdout);
  for (const std::string& warning : report.configWarnings) std::fputs(warning.c_str(), stderr);
  if (!report.payloadNote.empty()) std::fprintf(stderr, "kvsfx build: note: %s\n", report.payloadNote.c_str());
  if (built != KV_OK) return ReportFailure("build", error);

  std::string text = KVFormat("stub:          {} ({} bytes)\n", report.stubPath, report.stubSize);
  if (options.noConfig) {
    text += KVFormat("configuration: none{}\n", report.configAction == "removed" ? " (the stub's was removed)" : "");
  } else {
    text += KVFormat("configuration: {}, {} bytes, {} as RT_RCDATA {} (language {})\n", options.configPath,
                     report.configSize, report.configAction, kConfigResourceId, kConfigResourceLanguage);
  }
  if (report.iconSet) {
    text += KVFormat("icon:          {}, {} images as RT_GROUP_ICON {}, replacing {} old images\n", options.iconPath,
                     report.iconImages, report.icon.group.ToString(), report.icon.imagesRemoved);
  }
  text += "version:       " + DescribeVersionInfo(report.version, "               ");
  text += KVFormat("resources:     {} (RVA 0x{:x}, {} bytes)\n", report.placement.Describe(), report.placement.rva,
                   report.placement.size);
  text += KVFormat("payload:       offset {} (0x{:x}), {} bytes\n", report.payloadOffset, report.payloadOffset,
                   report.payloadSize);
  text += KVFormat("output:        {}, {} bytes, checksum {:#x}\n", options.outputPath, report.fileSize,
                   report.checkSum);
  std::fputs(text.c_str(), stdout);
  return kExitOk;
}

}  // namespace kestrova
