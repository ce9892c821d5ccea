// kvsfx inspect
#include <cstdio>

#include "builder/Builder.h"
#include "builder/Cli.h"
#include "builder/FileIo.h"
#include "builder/Inspector.h"
#include "builder/SevenZipTool.h"
#include "support/Formatter.h"

using kestrova::KVFormat;

namespace kestrova {

const char kInspectUsage[] =
    "usage: kvsfx inspect INSTALLER.exe [--config-out FILE]\n"
    "\n"
    "Shows what an installer (or a stub) holds: the kind and size of its image and whether its checksum\n"
    "is right, its resources, whether it has a configuration (RT_RCDATA 222, language 1033), its version\n"
    "information (RT_VERSION 1: numbers, date and strings), the payload's\n"
    "offset and size and its items (listed with 7zz or 7z from PATH), and whether the file is signed.\n"
    "\n"
    "  --config-out FILE   write the configuration document to FILE\n"
    "  -h, --help          show this help\n";

namespace {

std::string ItemsText(const std::string& path, const InspectReport& report) {
  if (!report.hasPayload || !report.payloadProblem.empty()) return {};
  const std::string sevenZip = FindSevenZip();
  if (sevenZip.empty()) return "items:         not listed: 7-Zip (7zz or 7z) is not on PATH\n";
  std::vector<PayloadItem> items;
  std::string error;
  if (ListArchive(sevenZip, path, items, error) != KV_OK) return "items:         not listed: " + error + "\n";
  std::string text = KVFormat("items:         {}\n", items.size());
  for (const PayloadItem& item : items) {
    text += KVFormat("  {:<19}  {:>12}  {}{}\n", item.modified.empty() ? "-" : item.modified,
                     item.isFolder ? std::string("-") : std::to_string(item.size), item.path,
                     item.isFolder ? "/" : "");
  }
  return text;
}

}  // namespace

int RunInspect(const std::vector<std::string>& arguments) {
  std::string path;
  std::string configOut;
  CommandOptions parser("inspect");
  parser.Positional(path, true).Value("", "config-out", configOut);
  if (const int status = parser.Parse(arguments); status != kExitOk) return status;

  InspectReport report;
  std::string error;
  if (InspectInstaller(path, report, error) != KV_OK) return ReportFailure("inspect", error);

  std::string text = KVFormat("file:          {}, {} bytes\n", path, report.fileSize);
  text += KVFormat("image:         {}, {} bytes, checksum {:#x} ", report.Kind(), report.imageSize,
                   report.storedCheckSum);
  text += report.storedCheckSum == report.computedCheckSum
              ? std::string("(correct)\n")
              : KVFormat("(wrong: the file sums to {:#x})\n", report.computedCheckSum);
  std::string imports;
  for (const std::string& dll : report.importedDlls) imports += (imports.empty() ? "" : " ") + dll;
  text += "imports:       " + (imports.empty() ? std::string("none") : imports) + "\n";
  const char* label = "resources:     ";
  for (const Resource& r : report.resources) {
    text += KVFormat("{}{}, {} bytes\n", label, r.Describe(), r.data.size());
    label = "               ";
  }
  if (report.resources.empty()) text += "resources:     none\n";
  text += report.hasConfig ? KVFormat("configuration: present, {} bytes (RT_RCDATA {}, language {})\n",
                                      report.config.size(), kConfigResourceId, kConfigResourceLanguage)
                           : std::string("configuration: none\n");
  if (!report.hasVersion) {
    text += "version:       none\n";
  } else {
    text += report.versionProblem.empty() ? "version:       " + DescribeVersionInfo(report.version, "               ")
                                          : "version:       unreadable: " + report.versionProblem + "\n";
  }
  if (!report.hasPayload) {
    text += "payload:       none\n";
  } else if (!report.payloadProblem.empty()) {
    text += KVFormat("payload:       at offset {} (0x{:x}), damaged: {}\n", report.payloadOffset, report.payloadOffset,
                     report.payloadProblem);
  } else {
    text += KVFormat("payload:       offset {} (0x{:x}), {} bytes{}\n", report.payloadOffset, report.payloadOffset,
                     report.payloadSize, report.payloadOffset == report.imageSize ? "" : ", not at the image's end");
  }
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  text = ItemsText(path, report);
  text += report.isSigned ? KVFormat("signature:     signed (certificate table: {} bytes at offset 0x{:x})\n",
                                     report.certificateSize, report.certificateOffset)
                          : std::string("signature:     not signed\n");
  std::fputs(text.c_str(), stdout);

  if (!configOut.empty()) {
    if (!report.hasConfig) return ReportFailure("inspect", path + " has no configuration to write");
    PendingFile out(configOut);
    if (out.Open(error) != KV_OK || out.Write(report.config.data(), report.config.size(), error) != KV_OK ||
        out.Commit(error) != KV_OK) {
      return ReportFailure("inspect", error);
    }
    std::fputs(KVFormat("configuration written to {}\n", configOut).c_str(), stdout);
  }
  return kExitOk;
}

}  // namespace kestrova
