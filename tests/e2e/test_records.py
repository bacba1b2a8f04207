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
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "driver")]

import window_driver  # noqa: E402
import winetest  # noqa: E402
from window_driver import (CALCULATE, DRIVER, INPUT_FIRST, RESET, RESULT, SAVE,  # noqa: E402
                           TOOL_WINDOW, Window, driver_status, wait_for)
from winetest import Checks  # noqa: E402

# Built beside the driver (tests/driver).
HELPER = os.path.join(os.path.dirname(DRIVER), "telm_records_helper.exe")

USER = pwd.getpwuid(os.getuid()).pw_name
LOCAL_APPDATA = os.path.join(winetest.PREFIX, "drive_c", "users", USER, "AppData", "Local")
SUITE_DIR = os.path.join(LOCAL_APPDATA, "TelmMedSuite")
RECORDS_DIR = os.path.join(SUITE_DIR, "records")
RECORD_FILE = os.path.join(RECORDS_DIR, "T021.csv")
# The same file as the program names it.
RECORD_FILE_SHOWN = f"C:\\users\\{USER}\\AppData\\Local\\TelmMedSuite\\records\\T021.csv"

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


def helper(*args, timeout=60):
    return winetest.wine(HELPER, *args, timeout=timeout)


def clear_records():
    shutil.rmtree(SUITE_DIR, ignore_errors=True)
    if os.path.exists(SUITE_DIR):
        os.remove(SUITE_DIR)


def file_bytes(path=RECORD_FILE):
    with open(path, "rb") as f:
        return f.read()


def calculate(window):
    """Clicks Calculate; true once the result box shows a result."""
    window.click_control(CALCULATE)
    return wait_for("result", lambda: window.text(RESULT) != "", timeout=5)


def enter(window, field, text):
    """Types text into input field; true once the field holds it."""
    window.type_into(INPUT_FIRST + field, text)
    return wait_for("typed", lambda: window.text(INPUT_FIRST + field) == text, timeout=5)


def box(title, seconds=5):
    """The open message box with title, as JSON, or None."""
    shown = winetest.wine(DRIVER, "box", title, str(int(seconds * 1000)))
    return json.loads(shown.stdout) if shown.returncode == 0 else None


def no_box(title):
    return driver_status("nobox", title) == 0


def icon(title):
    """The kind of icon the open box with title shows on screen."""
    return helper("icon", title).stdout.decode()


def status_shows(window, text, seconds=3):
    return wait_for("status", lambda: window.status_mismatch(text) == 0, timeout=seconds)


def press_ok(title, shown):
    """Clicks the OK button of the box described by box(); true once it closed."""
    x, y, width, height = shown["ok"]
    window_driver.xdotool("mousemove", x + width // 2, y + height // 2)
    time.sleep(0.1)
    window_driver.xdotool("click", 1)
    return wait_for("box closed", lambda: no_box(title), timeout=5)


def check_box(checks, what, title, text, kind):
    """Checks the box with title: its text, owner, icon and single OK button,
    and closes it by its OK button."""
    shown = box(title)
    checks.true(f"{what}: box {title} shown", shown)
    if not shown:
        return
    checks.equal(f"{what}: box text", shown["text"], text)
    checks.true(f"{what}: box owned by the main window", shown["owner_is_main"])
    checks.equal(f"{what}: box icon", icon(title), kind)
    checks.equal(f"{what}: box has only OK", shown["buttons"], 1)
    checks.true(f"{what}: box closed by its OK", press_ok(title, shown))


def check_refused_save(checks, window, what):
    window.click_control(SAVE)
    check_box(checks, what, "提示", SAVE_REFUSED, "information")
    checks.true(f"{what}: no confirmation", no_box("已保存"))


def check_saved(checks, window, what):
    """Clicks Save and checks the confirmation and the status line; returns
    the local times just before and after the save."""
    before = datetime.datetime.now().replace(microsecond=0)
    window.click_control(SAVE)
    box("已保存")
    after = datetime.datetime.now()
    checks.true(f"{what}: no failure box", no_box("保存失败"))
    checks.true(f"{what}: status names the file",
                status_shows(window, "记录已保存：" + RECORD_FILE_SHOWN))
    check_box(checks, what, "已保存", SAVED, "information")
    return before, after


def check_failed_save(checks, window, what, where):
    window.click_control(SAVE)
    box("保存失败")
    checks.true(f"{what}: no confirmation", no_box("已保存"))
    checks.true(f"{what}: status says it failed", status_shows(window, "保存失败：" + where))
    checks.true(f"{what}: status does not claim a save",
                window.status_mismatch("记录已保存：" + RECORD_FILE_SHOWN) != 0)
    check_box(checks, what, "保存失败", "记录未能保存：" + where, "warning")


def local_time_of(stamp_match):
    return datetime.datetime(*map(int, stamp_match.groups()))


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
        written = local_time_of(re.match(STAMP, match.group(1 + 7 * index)))
        checks.true(f"{what}: row {index + 1} has the local time of the save",
                    before <= written <= after, f"{written} not in {before}..{after}")


def windows_form(unix_path):
    """The Windows path of a file inside the prefix's drive C."""
    relative = os.path.relpath(unix_path, os.path.join(winetest.PREFIX, "drive_c"))
    return "C:\\" + relative.replace("/", "\\")


def check_built_in_tool(checks, window):
    # Nothing to save before the first calculation: no folder, no file.
    check_refused_save(checks, window, "before Calculate")
    checks.true("before Calculate: no record folder", not os.path.exists(SUITE_DIR))
    checks.true("before Calculate: status unchanged", status_shows(window, READY))

    # The first save creates every level, the mark, the header and a row.
    checks.true("defaults: calculated", calculate(window))
    times = [check_saved(checks, window, "first save")]
    check_rows(checks, "first save", file_bytes(), [ROW_DEFAULTS], times)

    # A second save appends one row and nothing else.
    times.append(check_saved(checks, window, "second save"))
    check_rows(checks, "second save", file_bytes(), [ROW_DEFAULTS] * 2, times)

    # Values that "%g" prints as 0.1 and 1e+06.
    checks.true("odd values: weight typed", enter(window, 0, "0.1"))
    checks.true("odd values: degree typed", enter(window, 1, "1000000"))
    checks.true("odd values: calculated", calculate(window))
    times.append(check_saved(checks, window, "odd values"))
    check_rows(checks, "odd values", file_bytes(), [ROW_DEFAULTS] * 2 + [ROW_ODD_VALUES], times)

    # Reset forgets the result: Save refuses and the file stays as it is.
    kept = file_bytes()
    window.click_control(RESET)
    checks.true("after Reset: result box emptied",
                wait_for("emptied", lambda: window.text(RESULT) == "", timeout=5))
    check_refused_save(checks, window, "after Reset")
    checks.equal("after Reset: file unchanged", file_bytes(), kept)


def check_failures(checks, window):
    # The local application-data folder cannot be looked up: the failure
    # names the folder as Windows users know it, and nothing is written.
    kept = file_bytes()
    away = LOCAL_APPDATA + ".away"
    checks.true("no app-data folder: calculated", calculate(window))
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
    checks.equal("records is a file: it stays as it was", file_bytes(RECORDS_DIR), b"in the way")

    # The record file is held open without sharing by another program.
    clear_records()
    times = [check_saved(checks, window, "before holding")]
    kept = file_bytes()
    holder = subprocess.Popen([winetest.WINE_RUN, HELPER, "hold", windows_form(RECORD_FILE)],
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


def check_tool_without_inputs(checks, window):
    # Three columns only, in the file of its own id.
    checks.true("no inputs: calculated", calculate(window))
    window.click_control(SAVE)
    check_box(checks, "no inputs", "已保存", SAVED, "information")
    path = os.path.join(RECORDS_DIR, "T008.csv")
    data = file_bytes(path) if os.path.exists(path) else b""
    expected = (re.escape(BOM + "时间,工具,结果\r\n".encode()) + STAMP +
                re.escape(",无输入工具,常数：42 次\r\n\r\n".encode()))
    checks.true("no inputs: file bytes", re.fullmatch(expected, data), repr(data))


def check_main_window(checks, window):
    check_built_in_tool(checks, window)
    check_failures(checks, window)


def run_window(checks, test, *command):
    window = Window(*command)
    try:
        test(checks, window)
        window.close()
    finally:
        window.kill()


def main():
    checks = Checks()
    clear_records()
    run_window(checks, check_main_window)
    clear_records()
    run_window(checks, check_tool_without_inputs, TOOL_WINDOW, "empty")
    clear_records()
    checks.finish()


if __name__ == "__main__":
    main()
