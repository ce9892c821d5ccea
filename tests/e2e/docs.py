#!/usr/bin/env python3
"""The user guide's examples, so that they cannot rot: the fenced blocks of README.md and docs/*.md.

  docs.py KVSFX STUB RUNEXIT EXITWITH

xml: configurations pass `kvsfx check` without warnings, fragments are well-formed; `xml recipe=NAME` blocks are
also built, planned and, where Wine can run them, run (RECIPES). sh: run with bash, the README's in the checkout,
a page's in a fresh folder with kvsfx on PATH. bat: installer command lines that `kvsfx plan` must accept. yaml:
the winget manifest's fields, switches and return codes. The exit-code table: what `kvsfx explain` says.
docs/index.md describes these rules for the guide's authors.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import yaml

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
KVSFX, STUB, RUNEXIT, EXITWITH = (os.path.abspath(a) for a in sys.argv[1:5])

# Hosts that run no 32-bit program test with the x86-64 stub (machine 0x8664 in its PE header), which kvsfx build
# takes only with --allow-test-stub.
HEADER = open(STUB, "rb").read(4096)
PE = int.from_bytes(HEADER[60:64], "little")
TEST_STUB_FLAG = ["--allow-test-stub"] if HEADER[PE + 4:PE + 6] == b"\x64\x86" else []
failures = 0


def expect(name, ok, detail=""):
    global failures
    print(("ok   " if ok else "FAIL ") + name + ("" if ok or not detail else ": " + detail.strip()[-600:]))
    failures += 0 if ok else 1


def run(argv, cwd=None, env=None):
    return subprocess.run(argv, cwd=cwd, env=env, capture_output=True, text=True, errors="replace")


def blocks(page):
    """(info, text, line) of each fenced block."""
    found, info, body, start = [], None, [], 0
    for number, line in enumerate(open(page, encoding="utf-8"), 1):
        fence = re.match(r"^```(.*)$", line.rstrip("\n"))
        if fence and info is None:
            info, body, start = fence.group(1).strip(), [], number
        elif fence and fence.group(1) == "":
            found.append((info, "".join(body), start))
            info = None
        elif info is not None:
            body.append(line)
    return found


# Recipes of the cookbook: the payload (name in the payload: file), the installer's arguments and its exit code
# under Wine. "product", "reboot": the packages of samples/msi/build-msi.sh; "exitwith": a stand-in that exits
# with 87 for arguments it does not take. None: built and planned, not run (its MSI needs transforms).
RECIPES = {
    # Wine reports Windows 7, older than the recipe asks for: refused as the page says, then run without the
    # version requirement (the variant "-any-windows").
    "per-architecture": ({"x86/product.msi": "product", "x64/product.msi": "product", "arm64/product.msi": "product"},
                         [(["--gui", "off"], 0xEE002004)]),
    "per-architecture-any-windows": ({"x64/product.msi": "product", "x86/product.msi": "product"},
                                     [(["--gui", "off"], 0), (["--gui", "off", "--command", "uninstall"], 0)]),
    "languages": ({"product.msi": "product"}, None),
    "prerequisite": ({"vc_redist.exe": "exitwith", "product.msi": "product"}, [(["--gui", "off"], 87)]),
    "reboot": ({"driver.msi": "reboot"}, [(["--gui", "off"], 3010)]),
    "extract": ({"samples/readme.txt": "text"}, [(["--gui", "off", "--target", "<out>"], 0)]),
}


def put(path, source=None):
    """A copy of source at path, or a stand-in file."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if source:
        shutil.copy(source, path)
    else:
        open(path, "w").write("stand-in\n")


def winpath(path):
    return run(["winepath", "-w", path]).stdout.strip()


def exit_code(program, arguments):
    out = run(["wine", RUNEXIT, winpath(program)] + arguments).stdout
    match = re.search(r"exit=0x([0-9A-F]+)", out)
    return int(match.group(1), 16) if match else None


def check_recipe(name, config, work, packages):
    files, runs = RECIPES[name]
    payload = os.path.join(work, "payload-" + name)
    for item, kind in files.items():
        put(os.path.join(payload, item), dict(packages, exitwith=EXITWITH).get(kind))
    installer = os.path.join(work, name + ".exe")
    built = run([KVSFX, "build", "--config", config, "--payload", payload, "--stub", STUB, "-o", installer]
                + TEST_STUB_FLAG)
    expect(f"recipe {name}: kvsfx build", built.returncode == 0, built.stderr)
    plan = run([KVSFX, "plan", installer] + (["--language", "de-DE"] if name == "languages" else []))
    expect(f"recipe {name}: kvsfx plan chooses an option", plan.returncode == 0 and "ends with" not in plan.stdout,
           plan.stdout)
    if not packages and any(kind in ("product", "reboot") for kind in files.values()):
        print(f"skip recipe {name}: not run (no wixl to build its packages)")
        return
    for arguments, expected in runs or []:
        out = os.path.join(work, "out-" + name)
        arguments = [winpath(out) if a == "<out>" else a for a in arguments]
        code = exit_code(installer, arguments)
        expect(f"recipe {name}: runs with {' '.join(arguments[:4])} and exits with {expected}", code == expected,
               f"exit code {code}")
    if name == "extract":
        expect(f"recipe {name}: the payload is extracted", os.path.isfile(os.path.join(work, "out-extract", "samples",
                                                                                       "readme.txt")))
    if name == "per-architecture":
        variant = os.path.join(work, "any-windows.xml")
        open(variant, "w").write(re.sub(r"\s*<OSVersionSet>.*?</OSVersionSet>", "", open(config).read(), flags=re.S))
        check_recipe(name + "-any-windows", variant, work, packages)
    if name == "reboot":  # leave the Wine prefix as it was
        run(["wine", "msiexec", "/x", winpath(packages["reboot"]), "/qn"])


def sandbox(work, page, first_config):
    """A folder for a page's sh and bat blocks: kvsfx with the stub beside it, dist/, app.ico, a certificate,
    setup.xml and an installer setup.exe built from it."""
    box = tempfile.mkdtemp(prefix=os.path.basename(page) + "-", dir=work)
    if TEST_STUB_FLAG:
        put(os.path.join(box, "bin", "kvsfx-tool"), KVSFX)
        wrapper = os.path.join(box, "bin", "kvsfx")
        open(wrapper, "w").write('#!/bin/sh\ntool=$(dirname "$0")/kvsfx-tool\n'
                                 '[ "$1" = build ] && exec "$tool" "$@" --allow-test-stub\nexec "$tool" "$@"\n')
        os.chmod(wrapper, 0o755)
    else:
        put(os.path.join(box, "bin", "kvsfx"), KVSFX)
    shutil.copy(STUB, os.path.join(box, "bin", "kv-sfxstub.exe"))
    for item in ("x86/product.msi", "x64/product.msi", "arm64/product.msi", "readme.txt"):
        put(os.path.join(box, "dist", item))
    open(os.path.join(box, "setup.xml"), "w").write(first_config)
    run(["convert", "-size", "32x32", "xc:red", os.path.join(box, "app.ico")])
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", os.path.join(box, "key.pem"), "-out",
         os.path.join(box, "cert.pem"), "-days", "2", "-subj", "/CN=kvsfx docs test", "-addext",
         "extendedKeyUsage=codeSigning"])
    run([os.path.join(box, "bin", "kvsfx"), "build", "--config", "setup.xml", "--payload", "dist", "-o", "setup.exe"],
        cwd=box)
    env = dict(os.environ, PATH=os.path.join(box, "bin") + os.pathsep + os.environ["PATH"])
    env["TMPDIR"] = work  # what the examples' mktemp makes goes with the test's folder
    env.pop("SOURCE_DATE_EPOCH", None)
    return box, env


def plan_arguments(line):
    """The options of an installer command line as `kvsfx plan` takes them: Windows quoting, the rest of the line
    after --passthrough as one value, and --logfile PATH left out (it changes no plan)."""
    before, _, passthrough = line.partition("--passthrough")
    words = [w[1:-1] if len(w) > 1 and w[0] == w[-1] == '"' else w for w in shlex.split(before, posix=False)]
    if "--logfile" in words:
        at = words.index("--logfile")
        if at + 1 < len(words) and words[at + 1]:
            del words[at:at + 2]
    return words[1:] + (["--passthrough", passthrough.strip()] if passthrough else [])


WINGET_FIELDS = {"PackageIdentifier", "PackageVersion", "InstallerType", "Scope", "ElevationRequirement",
                 "InstallModes", "InstallerSwitches", "UnsupportedArguments", "InstallerSuccessCodes",
                 "ExpectedReturnCodes", "AppsAndFeaturesEntries", "Installers", "ManifestType", "ManifestVersion"}
RESPONSES = {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse", "missingDependency",
             "diskFull", "insufficientMemory", "invalidParameter", "noNetwork", "contactSupport",
             "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser",
             "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported", "custom"}
SWITCHES = {"Silent", "SilentWithProgress", "Interactive", "InstallLocation", "Log", "Upgrade", "Custom", "Repair"}


def check_winget(text, installer):
    manifest = yaml.safe_load(text)
    expect("winget: only the manifest's fields", set(manifest) <= WINGET_FIELDS, str(set(manifest) - WINGET_FIELDS))
    expect("winget: an exe installer", manifest.get("InstallerType") == "exe")
    switches = manifest.get("InstallerSwitches", {})
    expect("winget: known switches of 1 to 512 characters",
           set(switches) <= SWITCHES and all(1 <= len(v) <= 512 for v in switches.values()), str(switches))
    for name, value in switches.items():
        value = value.replace("<LOGPATH>", r"C:\log.txt").replace("<INSTALLPATH>", r"C:\Contoso")
        plan = run([KVSFX, "plan", installer] + plan_arguments("setup.exe " + value))
        expect(f"winget: the installer takes {name}: {value}", plan.returncode == 0, plan.stderr)
    success = manifest.get("InstallerSuccessCodes", [])
    expect("winget: up to 16 non-zero success codes", len(success) <= 16 and 0 not in success)
    codes = manifest.get("ExpectedReturnCodes", [])
    expect("winget: return codes in range with winget's responses", len(codes) <= 128 and all(
        c["ReturnResponse"] in RESPONSES and c["InstallerReturnCode"] != 0 and
        -2147483648 <= c["InstallerReturnCode"] <= 4294967295 for c in codes))
    for c in codes:
        explained = run([KVSFX, "explain", str(c["InstallerReturnCode"])])
        expect(f"winget: kvsfx explain {c['InstallerReturnCode']} names its meaning",
               explained.returncode == 0 and "passed on;" not in explained.stdout, explained.stdout)
    for installer_entry in manifest.get("Installers", []):
        expect("winget: architecture " + str(installer_entry.get("Architecture")),
               installer_entry.get("Architecture") in {"x86", "x64", "arm", "arm64", "neutral"} and
               re.fullmatch(r"[0-9A-Fa-f]{64}", str(installer_entry.get("InstallerSha256"))) is not None)


def check_exit_codes(page):
    rows = re.findall(r"^\| (\d+) \| (0x[0-9A-F]{8}) \| (-?\d+) \| [^|]+ \| ([^|]+) \|$",
                      open(page, encoding="utf-8").read(), re.M)
    expect("exit codes: the table has its rows", len(rows) >= 15, str(len(rows)))
    for decimal, hexadecimal, signed, message in rows:
        value = int(decimal)
        said = run([KVSFX, "explain", decimal]).stdout
        quoted = re.search(r'"(.+)"', message)
        expect(f"exit codes: {decimal} is {hexadecimal}, {signed} signed, {message.strip()}",
               said.startswith(hexadecimal) and int(signed) == (value - (1 << 32) if value >= 1 << 31 else value)
               and (quoted is None or quoted.group(1) in said), said)


def main():
    if not os.path.isfile(KVSFX):
        print(f"SKIP: no kvsfx at {KVSFX} (scripts/build.sh native builds it)")
        return 77
    if not os.environ.get("KVSFX_WINE_SESSION"):
        os.execv(os.path.join(REPO, "scripts", "wine-session.sh"), ["wine-session.sh", sys.executable] + sys.argv)
    work = tempfile.mkdtemp(prefix="kvsfx-docs-")
    packages = {}
    if shutil.which("wixl"):
        built = run([os.path.join(REPO, "samples", "msi", "build-msi.sh"), os.path.join(work, "msi")])
        if built.returncode == 0:
            packages = {k: os.path.join(work, "msi", k + ".msi") for k in ("product", "reboot")}
    # checking.md shows refused configurations on purpose; the check's own tests cover its examples.
    pages = [os.path.join(REPO, "README.md")] + sorted(
        os.path.join(REPO, "docs", p) for p in os.listdir(os.path.join(REPO, "docs"))
        if p.endswith(".md") and p != "checking.md")
    # The folder of a page without a configuration of its own gets the cookbook's per-architecture recipe.
    fallback = next(text for page in pages for info, text, _ in blocks(page) if "recipe=per-architecture" in info)
    try:
        for page in pages:
            where = os.path.relpath(page, REPO)
            found = blocks(page)
            configs = []
            for info, text, line in found:
                if info.split(" ")[0] != "xml":
                    continue
                try:
                    if ET.fromstring(text.encode("utf-8")).tag != "SelfExtractor":
                        continue  # a fragment: well-formed is all it must be
                except ET.ParseError as error:
                    expect(f"{where}:{line}: well-formed XML", False, str(error))
                    continue
                configs.append(text)
                path = os.path.join(work, "config.xml")
                open(path, "w", encoding="utf-8").write(text)
                checked = run([KVSFX, "check", path])
                expect(f"{where}:{line}: kvsfx check, no warnings",
                       checked.returncode == 0 and "warning:" not in checked.stderr, checked.stdout + checked.stderr)
                name = re.search(r"recipe=(\S+)", info)
                if name:
                    expect(f"{where}:{line}: recipe {name.group(1)} is known to this test", name.group(1) in RECIPES)
                    if name.group(1) in RECIPES:
                        check_recipe(name.group(1), path, work, packages)
            if not any(info in ("sh", "bat", "yaml") for info, _, _ in found):
                continue
            box, env = sandbox(work, page, configs[0] if configs else fallback)
            for info, text, line in found:
                if info == "sh":
                    if TEST_STUB_FLAG and page.endswith("README.md"):
                        text = text.replace("stub=$PWD/build/win32/app/kv-sfxstub.exe", f"stub={STUB}").replace(
                            '"$kvsfx" build', '"$kvsfx" build --allow-test-stub')
                    ran = run(["bash", "-euo", "pipefail", "-c", text], cwd=REPO if page.endswith("README.md") else box,
                              env=env)
                    expect(f"{where}:{line}: the commands run", ran.returncode == 0, ran.stdout + ran.stderr)
                elif info == "bat":
                    for command in filter(None, (c.strip() for c in text.splitlines())):
                        ok = command.startswith("setup.exe ")
                        plan = run([KVSFX, "plan", os.path.join(box, "setup.exe")] + plan_arguments(command))
                        expect(f"{where}:{line}: the installer takes {command}",
                               ok and plan.returncode == 0 and "ends with" not in plan.stdout, plan.stdout + plan.stderr)
                elif info == "yaml":
                    check_winget(text, os.path.join(box, "setup.exe"))
        check_exit_codes(os.path.join(REPO, "docs", "exit-codes.md"))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{failures} case(s) failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
