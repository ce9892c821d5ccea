#include "builder/ConfigPayload.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "extract/ItemPath.h"
#include "support/Text.h"

namespace kestrova {
namespace {

constexpr char kTarget[] = "${TargetPath}";
constexpr char kCannotStart[] = "it cannot start, and the installer ends with exit code 2 and an error message";

// Programs of the Windows system folder that installers commonly start by bare name.
constexpr const char* kSystemPrograms[] = {
    "msiexec.exe", "cmd.exe",      "powershell.exe", "rundll32.exe", "regsvr32.exe", "reg.exe",      "regedit.exe",
    "wusa.exe",    "dism.exe",     "sc.exe",         "netsh.exe",    "wscript.exe",  "cscript.exe",  "certutil.exe",
    "schtasks.exe", "taskkill.exe", "icacls.exe",    "xcopy.exe",    "robocopy.exe", "explorer.exe", "notepad.exe",
    "pnputil.exe", "bcdedit.exe",  "shutdown.exe",   "setx.exe",     "timeout.exe",  "net.exe",      "mshta.exe"};

// An item path compared as Windows compares names: without "." parts, '\' for '/', ASCII letter case folded.
std::string Canonical(const std::string& path) {
  std::string text = Utf16ToUtf8(WithoutDotParts(Utf8ToUtf16(path)));
  std::replace(text.begin(), text.end(), '/', '\\');
  while (!text.empty() && text.back() == '\\') text.pop_back();
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return text;
}

XmlElementRef Child(XmlElementRef parent, const char* name) {
  std::vector<XmlElementRef> children;
  parent.GetChildElements(name, children);
  return children.size() == 1 ? children.front() : XmlElementRef();
}

std::string ElementText(XmlElementRef parent, const char* name) {
  std::u16string text;
  Child(parent, name).GetText(text);
  return Utf16ToUtf8(TrimBlanks(text));
}

bool IsBareName(const std::string& program) { return program.find_first_of("\\/:%$") == std::string::npos; }

// The paths after "${TargetPath}\" in `arguments`: up to the closing quote when quoted, else up to a blank.
std::vector<std::string> TargetPathsIn(const std::string& arguments) {
  std::vector<std::string> paths;
  const std::string prefix = std::string(kTarget) + "\\";
  for (std::size_t at = arguments.find(prefix); at != std::string::npos; at = arguments.find(prefix, at + 1)) {
    const bool quoted = at > 0 && arguments[at - 1] == '"';
    const std::size_t start = at + prefix.size();
    const std::size_t end = quoted ? arguments.find('"', start) : arguments.find_first_of(" \t\"", start);
    const std::string path = arguments.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!path.empty() && path.find("${") == std::string::npos) paths.push_back(path);
  }
  return paths;
}

class PayloadCheck {
 public:
  PayloadCheck(const ConfigDocument& document, const std::vector<std::string>& items) : document_(document) {
    for (const std::string& item : items) {
      // Each item's folders are in the payload too, listed or not.
      std::string path = Canonical(item);
      while (!path.empty()) {
        held_.insert(path);
        const std::size_t slash = path.rfind('\\');
        path = slash == std::string::npos ? std::string() : path.substr(0, slash);
      }
    }
  }

  void Walk(XmlElementRef element) {
    std::vector<XmlElementRef> children;
    element.GetChildElements(children);
    for (const XmlElementRef& child : children) {
      const std::string_view name = child.Name();
      if (name == "CreateProcess" || name == "ShellExecute") {
        Command(element, child);
      } else {
        Walk(child);
      }
    }
  }

  std::vector<ConfigFinding> findings;

 private:
  void Command(XmlElementRef command, XmlElementRef action) {
    std::u16string id;
    command.GetAttributeString("Id", id);
    const std::string what = "command \"" + Utf16ToUtf8(id) + "\"";
    const XmlElementRef executable = Child(action, "Executable");
    const XmlElementRef arguments = Child(action, "Arguments");
    std::string program = ElementText(action, "Executable");
    // Quotes around it are a mistake of their own (another warning); the file is the one inside them.
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"') program = program.substr(1, program.size() - 2);
    if (program.rfind(std::string(kTarget) + "\\", 0) == 0) {
      Require(executable, what + " runs", program.substr(sizeof kTarget), kCannotStart);
    } else if (!program.empty() && IsBareName(program)) {
      std::string file = program;
      if (file.find('.') == std::string::npos) file += ".exe";  // as the installer looks for it
      const bool system = std::any_of(std::begin(kSystemPrograms), std::end(kSystemPrograms),
                                      [&](const char* name) { return Canonical(file) == name; });
      if (!system) Require(executable, what + " runs", file, kCannotStart);
    }
    for (const std::string& path : TargetPathsIn(ElementText(action, "Arguments"))) {
      Require(arguments, what + " passes", path, "the program is given a file that is not there");
    }
  }

  void Require(XmlElementRef place, const std::string& what, const std::string& path, const char* consequence) {
    if (held_.count(Canonical(path)) != 0) return;
    findings.push_back(document_.At(place, nullptr, ConfigFinding::Severity::Warning,
                                    what + " \"" + path + "\", which is not in the payload: " + consequence));
  }

  const ConfigDocument& document_;
  std::set<std::string> held_;
};

}  // namespace

std::vector<ConfigFinding> FindPayloadMismatches(const ConfigDocument& document, const std::vector<std::string>& items) {
  std::vector<ConfigFinding> findings;
  if (items.empty()) {
    ConfigFinding empty;
    empty.text = "the payload is empty: the installer extracts nothing";
    findings.push_back(empty);
  }
  if (!document.Parsed() || !document.Root()) return findings;
  PayloadCheck check(document, items);
  check.Walk(document.Root());
  findings.insert(findings.end(), check.findings.begin(), check.findings.end());
  return findings;
}

}  // namespace kestrova
