"""The Save command of the real exe under Wine, driven as a person would:
pointer clicks and keys on the Xvfb display, the message boxes and the status
line read back, and the exact bytes of the record file."""

import datetime
import json
import os
import pwd
import re
import shutil
import subprocess
import time

from winetest import Checks, EXE, PREFIX, WINE_DIR, WINE_RUN

DRIVER = os.environ["TELM_DRIVER"]
TOOL_WINDOW = os.environ["TELM_TOOL_WINDOW"]
# Built beside the driver (tests/driver).
HELPER = os.path.join(os.path.dirname(DRIVER), "telm_records_helper.exe")

USER = pwd.getpwuid(os.getuid()).pw_name
LOCAL_APPDATA = os.path.join(PREFIX, "drive_c", "users", USER, "AppData", "Local")
SUITE_DIR = os.path.join(LOCAL_APPDATA, "TelmMedSuite")
RECORDS_DIR = os.path.join(SUITE_DIR, "records")
RECORD_FILE = os.path.join(RECORDS_DIR, "T021.csv")
# The same file as the program names it.
RECORD_FILE_SHOWN = f"C:\\users\\{USER}\\AppData\\Local\\TelmMedSuite\\records\\T021.csv"

# Client coordinates of what a person clicks (centres of the controls).
CALCULATE = (96, 688)
SAVE = (250, 688)
RESET = (538, 688)
FIELDS = [(292, 159), (292, 193)]

SAVE_REFUSED = "请先点击“计算”生成结果，再保存记录。"
SAVED = "本次结果已追加保存到本地记录（CSV，可用 Excel 打开）。"
READY = "就绪：填写参数后按 F5 或点击“计算”"

BOM = b"\xef\xbb\xbf"
HEADER = "时间,工具,体重,脱水程度,结果\r\n".encode()
STAMP = rb"(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})"

# The built-in tool's records for weight 15 kg and 5 % (its defaults), and for
# 0.1 kg and 1000000 %, as the result lines of those inputs read.
ROW_DEFAULTS = ("Varnel,体重=15,脱水程度=5,"
                "累积损失：750 ml\r\n"
                "前 8 小时：375 ml\r\n"
                "前 8 小时速度：46.9 ml/h\r\n"
                "每日维持量：1250 ml\r\n"
                "\r\n").encode()
ROW_ODD_VALUES = ("Varnel,体重=0.1,脱水程度=1e+06,"
                  "累积损失：1000000 ml\r\n"
                  "前 8 小时：500000 ml\r\n"
                  "前 8 小时速度：62500.0 ml/h\r\n"
                  "每日维持量：10 ml\r\n"
                  "\r\n").encode()


def display():
    with open(os.path.join(WINE_DIR, "display")) as f:
        return f.read().strip()


def run(program, *args, timeout=60):
    return subprocess.run([WINE_RUN, program, *args], timeout=timeout, stdin=subprocess.DEVNULL,
                          capture_output=True)


def driver(*args, timeout=60):
    return run(DRIVER, *args, timeout=timeout)


def xdotool(*args):
    env = dict(os.environ, DISPLAY=display())
    subprocess.run(["xdotool", *map(str, args)], env=env, check=True, timeout=30)


def eventually(condition, seconds=5.0):
    """Polls condition until it holds or the time is up; returns its last value."""
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() >= end:
            return value
        time.sleep(0.1)


def clear_records():
    shutil.rmtree(SUITE_DIR, ignore_errors=True)
    if os.path.exists(SUITE_DIR):
        os.remove(SUITE_DIR)


def file_bytes(path=RECORD_FILE):
    with open(path, "rb") as f:
        return f.read()


class Window:
    """One running main window (the exe, or the test-tool window)."""

    def __init__(self, *command):
        self.process = subprocess.Popen([WINE_RUN, *(command or (EXE,))],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        if driver("wait", "20000").returncode != 0:
            self.close()
            raise RuntimeError("the main window did not appear")
        info = json.loads(driver("info").stdout)
        self.left, self.top = info["client"][0], info["client"][1]

    def click(self, point):
        xdotool("mousemove", self.left + point[0], self.top + point[1])
        time.sleep(0.1)
        xdotool("click", "1")
        time.sleep(0.2)

    def enter(self, field, text):
        """Clicks into an input field and types text over what it held."""
        self.click(FIELDS[field])
        xdotool("key", "End", "shift+Home", "BackSpace")
        xdotool("type", "--delay", "30", text)
        return eventually(lambda: driver("text", str(2000 + field)).stdout.decode() == text)

    def calculate(self):
        """Clicks Calculate; true once the result box shows a result."""
        self.click(CALCULATE)
        return eventually(lambda: driver("text", "3000").stdout != b"")

    def close(self):
        driver("close")
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def box(title, seconds=5):
    """The open message box with title, as JSON, or None."""
    result = driver("box", title, str(int(seconds * 1000)))
    return json.loads(result.stdout) if result.returncode == 0 else None


def no_box(title):
    return driver("nobox", title).returncode == 0


def press_ok(shown):
    """Clicks the OK button of a box described by box()."""
    x, y, width, height = shown["ok"]
    xdotool("mousemove", x + width // 2, y + height // 2)
    time.sleep(0.1)
    xdotool("click", "1")


def icon(title):
    """The kind of icon the open box with title shows on screen."""
    return run(HELPER, "icon", title).stdout.decode()


def status_matches(text):
    """True when the status line shows text: drawn as the window draws it
    (right-aligned in its box, 12-pixel font, grey on the bottom bar), no
    pixel differs beyond blending noise."""
    shown = driver("match-text", "740", "704", "264", "16", "Microsoft YaHei UI", "12", "400",
                   "2", "78848E", "ECF1F4", text)
    return shown.returncode == 0 and shown.stdout.strip() == b"0"


def status_shows(text, seconds=3):
    return eventually(lambda: status_matches(text), seconds)


def local_time_of(stamp_match):
    return datetime.datetime(*map(int, stamp_match.groups()))


def check_refused_save(checks, window, what):
    window.click(SAVE)
    shown = box("提示")
    checks.true(f"{what}: refusal box shown", shown)
    if shown:
        checks.equal(f"{what}: refusal text", shown["text"], SAVE_REFUSED)
        checks.true(f"{what}: refusal owned by the main window", shown["owner_is_main"])
        checks.equal(f"{what}: refusal icon", icon("提示"), "information")
        checks.equal(f"{what}: refusal has only OK", shown["buttons"], 1)
        checks.true(f"{what}: no confirmation", no_box("已保存"))
        press_ok(shown)
        checks.true(f"{what}: refusal closed by its OK", eventually(lambda: no_box("提示")))


def check_saved(checks, window, what):
    """Clicks Save and checks the confirmation; returns the local times
    just before and after the save."""
    before = datetime.datetime.now().replace(microsecond=0)
    window.click(SAVE)
    shown = box("已保存")
    after = datetime.datetime.now()
    checks.true(f"{what}: confirmation shown", shown)
    if shown:
        checks.equal(f"{what}: confirmation text", shown["text"], SAVED)
        checks.true(f"{what}: confirmation owned by the main window", shown["owner_is_main"])
        checks.equal(f"{what}: confirmation icon", icon("已保存"), "information")
        checks.equal(f"{what}: confirmation has only OK", shown["buttons"], 1)
        checks.true(f"{what}: no failure box", no_box("保存失败"))
        checks.true(f"{what}: status names the file",
                    status_shows("记录已保存：" + RECORD_FILE_SHOWN))
        press_ok(shown)
        checks.true(f"{what}: confirmation closed by its OK", eventually(lambda: no_box("已保存")))
    return before, after


def check_failed_save(checks, window, what, where):
    window.click(SAVE)
    shown = box("保存失败")
    checks.true(f"{what}: failure box shown", shown)
    if shown:
        checks.equal(f"{what}: failure text", shown["text"], "记录未能保存：" + where)
        checks.true(f"{what}: failure owned by the main window", shown["owner_is_main"])
        checks.equal(f"{what}: failure icon", icon("保存失败"), "warning")
        checks.equal(f"{what}: failure has only OK", shown["buttons"], 1)
        checks.true(f"{what}: no confirmation", no_box("已保存"))
        checks.true(f"{what}: status says it failed", status_shows("保存失败：" + where))
        checks.true(f"{what}: status does not claim a save",
                    not status_matches("记录已保存：" + RECORD_FILE_SHOWN))
        press_ok(shown)
        checks.true(f"{what}: failure box closed by its OK", eventually(lambda: no_box("保存失败")))


def check_rows(checks, what, data, rows, times):
    """data must be the byte-order mark, the header and exactly the given
    rows, each after a time stamp within its (before, after) bracket."""
    pattern = re.escape(BOM + HEADER) + b"".join(
        b"(" + STAMP + b"," + re.escape(row) + b")" for row in rows)
    match = re.fullmatch(pattern, data)
    checks.true(f"{what}: file bytes", match, repr(data[:600]))
    if not match:
        return
    for index, (before, after) in enumerate(times):
        stamp = re.match(STAMP, match.group(1 + 7 * index))
        written = local_time_of(stamp)
        checks.true(f"{what}: row {index + 1} has the local time of the save",
                    before <= written <= after, f"{written} not in {before}..{after}")


def main():
    checks = Checks()
    clear_records()
    with Window() as window:
        # Nothing to save before the first calculation: no folder, no file.
        check_refused_save(checks, window, "before Calculate")
        checks.true("before Calculate: no record folder", not os.path.exists(SUITE_DIR))
        checks.true("before Calculate: status unchanged", status_shows(READY))

        # The first save creates every level, the mark, the header and a row.
        checks.true("defaults: calculated", window.calculate())
        times = [check_saved(checks, window, "first save")]
        check_rows(checks, "first save", file_bytes(), [ROW_DEFAULTS], times)

        # A second save appends one row and nothing else.
        times.append(check_saved(checks, window, "second save"))
        check_rows(checks, "second save", file_bytes(), [ROW_DEFAULTS] * 2, times)

        # Values that "%g" prints as 0.1 and 1e+06.
        checks.true("odd values: weight typed", window.enter(0, "0.1"))
        checks.true("odd values: degree typed", window.enter(1, "1000000"))
        checks.true("odd values: calculated", window.calculate())
        times.append(check_saved(checks, window, "odd values"))
        check_rows(checks, "odd values", file_bytes(), [ROW_DEFAULTS] * 2 + [ROW_ODD_VALUES],
                   times)

        # Reset forgets the result: Save refuses and the file stays as it is.
        kept = file_bytes()
        window.click(RESET)
        checks.true("after Reset: result box emptied",
                    eventually(lambda: driver("text", "3000").stdout == b""))
        check_refused_save(checks, window, "after Reset")
        checks.equal("after Reset: file unchanged", file_bytes(), kept)

        # The local application-data folder cannot be looked up: the failure
        # names the folder as Windows users know it, and nothing is written.
        away = LOCAL_APPDATA + ".away"
        checks.true("no app-data folder: calculated", window.calculate())
        os.rename(LOCAL_APPDATA, away)
        try:
            check_failed_save(checks, window, "no app-data folder",
                              "%LOCALAPPDATA%\\TelmMedSuite\\records")
            checks.true("no app-data folder: nothing created", not os.path.exists(LOCAL_APPDATA))
        finally:
            shutil.rmtree(LOCAL_APPDATA, ignore_errors=True)
            os.rename(away, LOCAL_APPDATA)
        checks.equal("no app-data folder: file unchanged", file_bytes(), kept)

        # A plain file stands where the folder "records" belongs.
        clear_records()
        os.makedirs(SUITE_DIR)
        with open(RECORDS_DIR, "wb") as f:
            f.write(b"in the way")
        check_failed_save(checks, window, "records is a file", RECORD_FILE_SHOWN)
        checks.equal("records is a file: it stays as it was", file_bytes(RECORDS_DIR),
                     b"in the way")

        # The record file is held open without sharing by another program.
        clear_records()
        times = [check_saved(checks, window, "before holding")]
        kept = file_bytes()
        holder = subprocess.Popen([WINE_RUN, HELPER, "hold", windows_form(RECORD_FILE)],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL)
        try:
            checks.equal("held file: helper holds it", holder.stdout.readline(), b"held\n")
            check_failed_save(checks, window, "held file", RECORD_FILE_SHOWN)
            checks.equal("held file: file unchanged", file_bytes(), kept)
        finally:
            holder.stdin.close()
            holder.wait(timeout=30)
        # Released again, the next save appends as usual.
        times.append(check_saved(checks, window, "after release"))
        check_rows(checks, "after release", file_bytes(), [ROW_DEFAULTS] * 2, times)

    # A tool without inputs keeps the three columns only, in its own file.
    clear_records()
    with Window(TOOL_WINDOW, "empty") as window:
        checks.true("no inputs: calculated", window.calculate())
        window.click(SAVE)
        shown = box("已保存")
        checks.true("no inputs: confirmation shown", shown)
        if shown:
            press_ok(shown)
        path = os.path.join(RECORDS_DIR, "T008.csv")
        data = file_bytes(path) if os.path.exists(path) else b""
        checks.true("no inputs: file bytes",
                    re.fullmatch(re.escape(BOM + "时间,工具,结果\r\n".encode()) + STAMP +
                                 re.escape("," "无输入工具,常数：42 次\r\n\r\n".encode()), data),
                    repr(data))
    clear_records()
    checks.finish()


def windows_form(unix_path):
    """The Windows path of a file inside the prefix's drive C."""
    relative = os.path.relpath(unix_path, os.path.join(PREFIX, "drive_c"))
    return "C:\\" + relative.replace("/", "\\")


if __name__ == "__main__":
    main()
