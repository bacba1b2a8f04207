"""The packages as a hospital's IT uses them, under Wine in a prefix of this
test's own (so that installing touches no other test's state): the silent
per-user install puts the exe, the guide, the Start-menu shortcut and the
installed-programs entry in place; the installed exe passes its self-test;
the silent uninstall removes the program but never the user's records; the
ZIP unpacks to a folder whose exe runs."""

import base64
import os
import re
import struct
import subprocess
import time
import zipfile

from winetest import BUILD_DIR, EXE, SELF_TEST_REPORT as REPORT, Checks, scratch_dir, windows_path

SESSION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine", "session.sh")
PACKAGES = os.path.join(BUILD_DIR, "packages")
SETUP = os.path.join(PACKAGES, "TelmMedTool-1.0.0-win64-setup.exe")
ZIP = os.path.join(PACKAGES, "TelmMedTool-1.0.0-win64.zip")
GUIDE = "user-guide.zh-CN.html"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TelmMedTool"

# A record file as the Save command leaves it after one save.
RECORD = ("\ufeff时间,工具,体重,脱水程度,结果\r\n"
          "2025-03-01 09:41:07,Varnel,体重=15,脱水程度=5,累积损失：750 ml\r\n"
          "前 8 小时：375 ml\r\n前 8 小时速度：46.9 ml/h\r\n每日维持量：1250 ml\r\n\r\n"
          ).encode("utf-8")

checks = Checks()
session = os.path.join(BUILD_DIR, "package-wine")
prefix = os.path.join(session, "prefix")
env = {**os.environ, "WINEPREFIX": prefix, "WINEDEBUG": "-all",
       # No Mono or Gecko prompts, and no menu entries on the host for the
       # shortcut the installer makes.
       "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d"}
env.pop("DISPLAY", None)


def wine(*args, cwd=None):
    return subprocess.run(["/usr/lib/wine/wine64", *args], env=env, cwd=cwd, timeout=300,
                          stdin=subprocess.DEVNULL, capture_output=True)


def registry_values(key):
    """The values of a registry key as {name: text}, or None when it is missing."""
    done = wine("reg", "query", key)
    if done.returncode != 0:
        return None
    values = {}
    for line in done.stdout.decode("utf-8", "replace").splitlines():
        match = re.match(r"^\s+(\S+)\s+(REG_\w+)\s+(.*)$", line)
        if match:
            values[match.group(1)] = match.group(3).strip()
    return values


def shortcut(path):
    """Target, icon location and icon index of a .lnk file (the parts of the
    Shell Link format that say what it starts and which picture it shows)."""
    with open(path, "rb") as f:
        data = f.read()
    flags, = struct.unpack_from("<I", data, 0x14)
    icon_index, = struct.unpack_from("<i", data, 0x38)
    offset = 0x4C
    if flags & 0x01:  # HasLinkTargetIDList
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    target = None
    if flags & 0x02:  # HasLinkInfo: the local base path is the target
        info = offset
        base = info + struct.unpack_from("<I", data, info + 0x10)[0]
        target = data[base:data.index(b"\0", base)].decode("latin-1")
        offset += struct.unpack_from("<I", data, info)[0]
    strings = {}
    unicode = bool(flags & 0x80)
    for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count, = struct.unpack_from("<H", data, offset)
            size = count * 2 if unicode else count
            raw = data[offset + 2:offset + 2 + size]
            # Wine counts the terminating zero in; Windows does not.
            strings[name] = raw.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
            offset += 2 + size
    return target, strings.get("icon"), icon_index


def check_guide(what, data):
    """The guide is one self-contained page: Chinese, with its three
    screenshots embedded and the self-test explained."""
    text = data.decode("utf-8")
    checks.true(f"{what}: Chinese page", '<html lang="zh-CN">' in text)
    checks.true(f"{what}: self-test command", "TelmMedTool.exe --selftest report.txt" in text)
    images = re.findall(r'<img src="([^"]*)"', text)
    checks.equal(f"{what}: screenshots", len(images), 3)
    for source in images:
        checks.true(f"{what}: screenshot embedded", source.startswith("data:image/png;base64,"))
        png = base64.b64decode(source.split(",", 1)[1])
        checks.true(f"{what}: screenshot is a PNG", png[:8] == b"\x89PNG\r\n\x1a\n")


def self_test(what, exe_windows_path):
    folder = scratch_dir("package-" + what)
    report = os.path.join(folder, "report.txt")
    done = wine(exe_windows_path, "--selftest", windows_path(report), cwd=folder)
    checks.equal(f"{what}: self-test exit code", done.returncode, 0)
    if os.path.exists(report):
        with open(report, "rb") as f:
            checks.equal(f"{what}: self-test report", f.read(), REPORT)
    else:
        checks.true(f"{what}: self-test report written", False, report)


def wait_until(condition, timeout=120):
    end = time.monotonic() + timeout
    while not condition() and time.monotonic() < end:
        time.sleep(0.5)
    return condition()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def test_installer():
    users = [u for u in os.listdir(os.path.join(prefix, "drive_c", "users")) if u != "Public"]
    user = users[0]
    home = os.path.join(prefix, "drive_c", "users", user)
    programs = os.path.join(home, "AppData", "Local", "Programs", "TelmMedTool")
    start_menu = os.path.join(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                              "Programs")
    link = os.path.join(start_menu, "TelmMedTool.lnk")
    folder = "C:\\users\\" + user + "\\AppData\\Local\\Programs\\TelmMedTool"
    installed_exe = folder + "\\TelmMedTool.exe"
    records = os.path.join(home, "AppData", "Local", "TelmMedSuite", "records")

    # A 64-bit installer (the 32-bit stub does not start where only 64-bit
    # Windows programs run) that asks for no administrator rights.
    setup = read(SETUP)
    pe = struct.unpack_from("<I", setup, 0x3C)[0]
    checks.equal("setup: machine", struct.unpack_from("<H", setup, pe + 4)[0], 0x8664)
    checks.true("setup: runs as the user", b'level="asInvoker"' in setup)

    done = wine(SETUP, "/S")
    checks.equal("install: exit code", done.returncode, 0)
    installed = sorted(os.listdir(programs)) if os.path.isdir(programs) else None
    checks.equal("install: files", installed, sorted(["TelmMedTool.exe", GUIDE, "Uninstall.exe"]))
    if not os.path.isdir(programs):
        return
    checks.true("install: the exe is the one built", read(os.path.join(programs, "TelmMedTool.exe"))
                == read(EXE))
    check_guide("installed guide", read(os.path.join(programs, GUIDE)))

    checks.true("install: Start-menu shortcut", os.path.isfile(link), link)
    if os.path.isfile(link):
        target, icon, index = shortcut(link)
        checks.equal("shortcut: target", target, installed_exe)
        checks.equal("shortcut: icon", (icon, index), (installed_exe, 0))

    values = registry_values(UNINSTALL_KEY) or {}
    for name, expected in (("DisplayName", "TelmMedTool"),
                           ("DisplayVersion", "1.0.0.0"),
                           ("Publisher", "TelmMedSuite"),
                           ("DisplayIcon", installed_exe + ",0"),
                           ("InstallLocation", folder),
                           ("UninstallString", f'"{folder}\\Uninstall.exe"'),
                           ("QuietUninstallString", f'"{folder}\\Uninstall.exe" /S')):
        checks.equal(f"installed-programs entry: {name}", values.get(name), expected)

    self_test("installed", installed_exe)

    # A record the user saved, and a file of theirs beside the program.
    os.makedirs(records, exist_ok=True)
    with open(os.path.join(records, "T021.csv"), "wb") as f:
        f.write(RECORD)
    with open(os.path.join(programs, "notes.txt"), "wb") as f:
        f.write(b"ward 3")

    # The silent uninstaller hands over to a copy of itself and returns at
    # once; it is done when its own file is gone.
    uninstaller = os.path.join(programs, "Uninstall.exe")
    done = wine(folder + "\\Uninstall.exe", "/S")
    checks.equal("uninstall: exit code", done.returncode, 0)
    checks.true("uninstall: finished", wait_until(lambda: not os.path.exists(uninstaller)))
    checks.equal("uninstall: only the user's file is left", sorted(os.listdir(programs)),
                 ["notes.txt"])
    checks.true("uninstall: shortcut removed", not os.path.exists(link))
    checks.equal("uninstall: installed-programs entry removed", registry_values(UNINSTALL_KEY),
                 None)
    checks.equal("uninstall: records kept", os.listdir(records), ["T021.csv"])
    checks.true("uninstall: record unchanged", read(os.path.join(records, "T021.csv")) == RECORD)

    # Without a file of the user's, the program's folder goes too; the
    # records stay all the same.
    os.remove(os.path.join(programs, "notes.txt"))
    checks.equal("reinstall: exit code", wine(SETUP, "/S").returncode, 0)
    wine(folder + "\\Uninstall.exe", "/S")
    checks.true("second uninstall: program folder removed",
                wait_until(lambda: not os.path.exists(programs)))
    checks.true("second uninstall: record unchanged",
                read(os.path.join(records, "T021.csv")) == RECORD)


def test_zip():
    folder = scratch_dir("package-zip")
    with zipfile.ZipFile(ZIP) as archive:
        names = sorted(n for n in archive.namelist() if not n.endswith("/"))
        checks.equal("zip: contents", names, ["TelmMedTool-1.0.0-win64/TelmMedTool.exe",
                                              "TelmMedTool-1.0.0-win64/" + GUIDE])
        archive.extractall(folder)
    unpacked = os.path.join(folder, "TelmMedTool-1.0.0-win64")
    exe = os.path.join(unpacked, "TelmMedTool.exe")
    if os.path.exists(exe):
        checks.true("zip: the exe is the one built", read(exe) == read(EXE))
        self_test("unpacked", windows_path(exe))
    guide = os.path.join(unpacked, GUIDE)
    if os.path.exists(guide):
        check_guide("zip guide", read(guide))


subprocess.run(["rm", "-rf", session], check=True)
subprocess.run([SESSION, "start", session, "--no-display"], check=True, timeout=600,
               stdin=subprocess.DEVNULL)
try:
    for package in (SETUP, ZIP):
        print(f"{os.path.basename(package)}: {os.path.getsize(package)} bytes", flush=True)
    test_installer()
    test_zip()
finally:
    subprocess.run([SESSION, "stop", session], timeout=120)

checks.finish()
