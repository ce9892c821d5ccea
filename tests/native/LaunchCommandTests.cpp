// Running launch commands against a scripted launcher: the calls the system receives, the codes that end a
// command, and the exit codes kept in SfxExitCode and the result entries.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "commands/RunLaunchCommand.h"
#include "commands/SearchPath.h"
#include "support/Text.h"
#include "tests/native/LaunchFakes.h"

using namespace kestrova;

namespace {

using Launcher = ScriptedLauncher;

struct Scene {
  ScriptedActions actions;
  ParameterStore& store = actions.store;
  FakeFacts facts;
  Launcher launcher;
  Scene() { store.Insert(kSfxExitCodeName, u"0"); }
  KVResult Launch(const LaunchCommand& command, const std::u16string& tail = u"") {
    LaunchContext context{store, facts, launcher, actions, tail};
    return RunLaunchCommand(command, u"%TEMP%\\{G}", context);
  }
  std::string Value(const std::u16string& name) const {
    const std::u16string* value = store.Find(name);
    return value ? Utf16ToUtf8(*value) : "(none)";
  }
};

LaunchCommand CreateProcessCommand(std::u16string executable, std::u16string arguments = u"",
                                   std::u16string resultName = u"") {
  LaunchCommand command;
  command.useCreateProcess = true;
  command.executable = std::move(executable);
  command.arguments = std::move(arguments);
  command.resultName = std::move(resultName);
  return command;
}

LaunchCommand ShellExecuteCommand(bool wait, bool asAdmin, std::u16string language = u"") {
  LaunchCommand command;
  command.executable = u"${TargetPath}\\setup.exe";
  command.arguments = u"/quiet";
  command.wait = wait;
  command.asAdmin = asAdmin;
  command.language = std::move(language);
  return command;
}

}  // namespace

// What reaches the system: expansion, quoting, the working folder, and where a bare program name is found.
TEST(LaunchCommand, TheCallsTheSystemReceives) {
  const struct {
    LaunchCommand command;
    const char16_t* tail;
    std::vector<std::string> calls;
  } cases[] = {
      {CreateProcessCommand(u"msiexec.exe", u"/i \"${TargetPath}\\a.msi\" /l*v %TEMP%\\a.log"), u"",
       {"CreateProcess \"C:\\Windows\\system32\\msiexec.exe\" /i \"C:\\Temp\\{G}\\a.msi\" /l*v C:\\Temp\\a.log in "
        "C:\\Temp\\{G}",
        "Wait"}},
      // A program with a path is taken as it is, and quoted even when it already is.
      {CreateProcessCommand(u"\"${SfxPath}\\x.exe\""), u"",
       {"CreateProcess \"\"C:\\Downloads\\x.exe\"\" in C:\\Temp\\{G}", "Wait"}},
      {ShellExecuteCommand(false, false), u"", {"ShellExecute C:\\Temp\\{G}\\setup.exe [/quiet] in C:\\Temp\\{G}"}},
      {ShellExecuteCommand(true, false), u"",
       {"ShellExecuteEx open C:\\Temp\\{G}\\setup.exe [/quiet] in C:\\Temp\\{G} keep", "Wait"}},
      // As administrator: the installer itself, elevated, in internal mode; always waited for.
      {ShellExecuteCommand(false, true, u"en-US"), u"--command silent",
       {"ShellExecuteEx runas C:\\Downloads\\setup.exe [--internal 1 --target \"C:\\Temp\\{G}\" --language en-US "
        "--command silent] in C:\\Temp\\{G} hidden keep",
        "Wait"}},
      {ShellExecuteCommand(true, true), u"",
       {"ShellExecuteEx runas C:\\Downloads\\setup.exe [--internal 1 --target \"C:\\Temp\\{G}\" ] in C:\\Temp\\{G} "
        "hidden keep",
        "Wait"}},
  };
  for (const auto& c : cases) {
    Scene run;
    EXPECT_EQ(run.Launch(c.command, c.tail), KV_OK);
    EXPECT_EQ(run.launcher.calls, c.calls);
    EXPECT_EQ(run.launcher.open, 0);  // every handle closed
  }
}

// Every way the system can fail ends the command with its code; the result entry keeps 0 and SfxExitCode
// stays as it was.
TEST(LaunchCommand, SystemFailuresEndTheCommandWithTheirCodes) {
  const struct {
    LaunchCommand command;
    void (*script)(Launcher&);
    KVResult result;
  } cases[] = {
      {CreateProcessCommand(u"C:\\x.exe"), [](Launcher& l) { l.start = 5; }, 5},
      {CreateProcessCommand(u"C:\\x.exe"), [](Launcher& l) { l.handle = 0; }, KV_E_EMPTY_HANDLE},
      // Started, but with nothing to wait for (a running program took the file over): no exit code to report.
      {ShellExecuteCommand(true, false), [](Launcher& l) { l.handle = 0; }, KV_E_EMPTY_HANDLE},
      {CreateProcessCommand(u"C:\\x.exe"), [](Launcher& l) { l.wait = KV_E_TIMEOUT; }, KV_E_TIMEOUT},
      {CreateProcessCommand(u"C:\\x.exe"), [](Launcher& l) { l.wait = 6; }, 6},
      {CreateProcessCommand(u"C:\\x.exe"), [](Launcher& l) { l.exitResult = 6; }, 6},
      {CreateProcessCommand(u"C:\\x.exe"), [](Launcher& l) { l.exitCode = 259; }, KV_E_STILL_RUNNING},
      {CreateProcessCommand(u"planted.exe"), [](Launcher&) {}, 2},  // found nowhere: never searched elsewhere
      {ShellExecuteCommand(false, false), [](Launcher& l) { l.start = 2; }, 2},
      {ShellExecuteCommand(true, false), [](Launcher& l) { l.start = 1155; }, 1155},
      {ShellExecuteCommand(true, true), [](Launcher& l) { l.start = 1223; }, KV_E_ELEVATION_DECLINED},
      {ShellExecuteCommand(true, true), [](Launcher& l) { l.start = 5; }, 5},
      // Declining matters only for the elevation prompt; for a plain open it is the system's code.
      {ShellExecuteCommand(true, false), [](Launcher& l) { l.start = 1223; }, 1223},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Scene run;
    run.store.Assign(kSfxExitCodeName, u"3010");
    LaunchCommand command = c.command;
    command.resultName = u"R";
    c.script(run.launcher);
    EXPECT_EQ(run.Launch(command), c.result);
    EXPECT_EQ(run.Value(u"R"), "0");
    EXPECT_EQ(run.Value(kSfxExitCodeName), "3010");
    EXPECT_EQ(run.launcher.open, 0);
  }
}

// The first non-zero exit code stays in SfxExitCode; each result entry gets its own command's code.
TEST(LaunchCommand, ExitCodesAndResultEntries) {
  const struct {
    std::vector<std::uint32_t> exits;
    const char* sfxExitCode;
    std::vector<const char*> results;
  } cases[] = {
      {{3010, 1603}, "3010", {"3010", "1603"}},
      {{0, 1641}, "1641", {"0", "1641"}},
      {{0xC0000005}, "3221225477", {"3221225477"}},
  };
  for (const auto& c : cases) {
    Scene run;
    for (std::size_t i = 0; i < c.exits.size(); ++i) {
      run.launcher.exitCode = c.exits[i];
      const std::u16string name = u"R" + Utf8ToUtf16(std::to_string(i));
      ASSERT_EQ(run.Launch(CreateProcessCommand(u"C:\\x.exe", u"", name)), KV_OK);
      EXPECT_EQ(run.Value(name), c.results[i]);
    }
    EXPECT_EQ(run.Value(kSfxExitCodeName), c.sfxExitCode);
  }
}

TEST(LaunchCommand, RefusedBeforeStartingOrWhenSfxExitCodeIsNoNumber) {
  Scene taken;
  taken.store.Insert(u"R", u"5");
  EXPECT_EQ(taken.Launch(CreateProcessCommand(u"C:\\x.exe", u"", u"R")), KV_E_INVALID_DATA);
  EXPECT_TRUE(taken.launcher.calls.empty());

  Scene skip;
  skip.store.Insert(u"SkipCommand", u"True");  // left by an after condition
  EXPECT_EQ(skip.Launch(CreateProcessCommand(u"C:\\x.exe")), KV_E_INVALID_DATA);
  EXPECT_TRUE(skip.launcher.calls.empty());

  Scene text;
  text.store.Assign(kSfxExitCodeName, u"done");
  EXPECT_EQ(text.Launch(CreateProcessCommand(u"C:\\x.exe")), KV_E_FAIL);
  EXPECT_EQ(text.launcher.calls.size(), 2u);  // the process ran; only the bookkeeping failed
}

// A bare name is looked for in the working folder, then the system folders and PATH; never beside the installer.
TEST(LaunchCommand, WhereABareProgramNameIsFound) {
  const struct {
    const char16_t* program;
    std::vector<std::u16string> files;
    const char16_t* found;  // null: not found
  } cases[] = {
      {u"setup", {u"C:\\Work\\setup.exe", u"C:\\Windows\\setup.exe"}, u"C:\\Work\\setup.exe"},
      {u"setup.exe", {u"C:\\Windows\\setup.exe", u"C:\\Tools\\setup.exe"}, u"C:\\Windows\\setup.exe"},
      {u"tool.cmd", {u"C:\\Tools\\tool.cmd"}, u"C:\\Tools\\tool.cmd"},
      {u"tool", {u"D:/Slash/tool.exe"}, u"D:/Slash/tool.exe"},  // a PATH entry's own separator is kept
      {u"msiexec", {u"C:\\Windows\\system32\\msiexec.exe"}, u"C:\\Windows\\system32\\msiexec.exe"},
      {u"setup.exe", {u"C:\\Downloads\\setup.exe"}, nullptr},  // the installer's folder is not searched
      {u"sub\\setup.exe", {}, u"sub\\setup.exe"},              // a path stays as it is
      {u"D:setup.exe", {}, u"D:setup.exe"},
  };
  for (const auto& c : cases) {
    Launcher launcher;
    launcher.files = c.files;
    std::u16string program = c.program;
    EXPECT_EQ(ResolveProgram(u"C:\\Work", launcher, program), c.found ? KV_OK : 2u) << Utf16ToUtf8(c.program);
    EXPECT_EQ(program, c.found ? c.found : c.program) << Utf16ToUtf8(c.program);
  }
}

// PATH as Windows keeps it: empty, quoted and relative entries, separators either way round. Relative entries
// would depend on the current folder and are left out.
TEST(LaunchCommand, ProgramFoldersFromPath) {
  const std::u16string path =
      u";C:\\Empty;;\"C:\\Program Files\\Tool\";bin;.;C:relative;D:/Slash/;\\\\server\\share\\;\"\";C:\\Last";
  EXPECT_EQ(SearchPathFolders(path), (std::vector<std::u16string>{u"C:\\Empty", u"C:\\Program Files\\Tool",
                                                                  u"D:/Slash/", u"\\\\server\\share\\", u"C:\\Last"}));
}

namespace {

// A condition that is always true (SfxExitCode is always set) with one Set action.
Conditional Setting(std::u16string parameter, std::u16string value) {
  Conditional condition;
  condition.Type = ConditionalType::IfGreaterEqual;
  condition.Parameter = kSfxExitCodeName;
  condition.Value = u"0";
  condition.TrueActions.push_back(std::make_shared<ConditionalSetParam>(std::move(parameter), std::move(value)));
  return condition;
}

}  // namespace

// SkipCommand and Abort from the before condition stop the command before its process; the after condition
// runs only after a process.
TEST(LaunchCommand, BeforeAndAfterConditions) {
  const struct {
    std::optional<Conditional> before, after;
    bool started;
    const char* skipLeft;
    const char* afterSet;
  } cases[] = {
      {Setting(u"SkipCommand", u"True"), Setting(u"After", u"1"), false, "(none)", "(none)"},
      {Setting(u"Abort", u"true"), Setting(u"After", u"1"), false, "(none)", "(none)"},
      {Setting(u"Other", u"x"), Setting(u"After", u"1"), true, "(none)", "1"},
      // Set in the after condition, SkipCommand stays and refuses the next command.
      {std::nullopt, Setting(u"SkipCommand", u"True"), true, "True", "(none)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Scene run;
    LaunchCommand command = CreateProcessCommand(u"C:\\x.exe", u"", u"R");
    command.beforeCommand = c.before;
    command.afterCommand = c.after;
    run.launcher.exitCode = 3010;
    EXPECT_EQ(run.Launch(command), KV_OK);
    EXPECT_EQ(!run.launcher.calls.empty(), c.started);
    EXPECT_EQ(run.Value(u"R"), c.started ? "3010" : "0");
    EXPECT_EQ(run.Value(u"SkipCommand"), c.skipLeft);
    EXPECT_EQ(run.Value(u"After"), c.afterSet);
  }
}
