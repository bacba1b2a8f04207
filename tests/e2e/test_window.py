"""The main window of the real exe, driven as a person uses it: keys typed
into the fields, F5 and Enter, clicks on the buttons, the message boxes read
and answered, the clipboard read back, colours checked on screen."""

import glob
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "driver")]

import winetest  # noqa: E402
from window_driver import (ABOUT, CALCULATE, COPY, INPUT_FIRST, RESET, RESULT, RIGHT,  # noqa: E402
                           SAVE, Window, driver, driver_status, wait_for)

W, PCT = INPUT_FIRST, INPUT_FIRST + 1
UI_FACE = "Microsoft YaHei UI"
VERDICT_BOX = (492, 142, 492, 46)
PLACEHOLDER = "填写左侧参数，点击“计算”"

# Verdict colours by level, "RRGGBB".
LEVEL_COLOUR = {0: "008060", 1: "B08400", 2: "D66C00", 3: "BE1E2D"}

DEFAULT_RESULT = ("累积损失：750 ml\r\n前 8 小时：375 ml\r\n"
                  "前 8 小时速度：46.9 ml/h\r\n每日维持量：1250 ml\r\n")
MILD = "轻度脱水，可口服补液盐观察"
MODERATE = "中度脱水，建议静脉补液并监测电解质"
SEVERE = "重度脱水，先快速扩容 20ml/kg 并评估休克"
SEVERE_RESULT = ("累积损失：960 ml\r\n前 8 小时：480 ml\r\n"
                 "前 8 小时速度：60.0 ml/h\r\n每日维持量：800 ml\r\n")
ABOUT_TEXT = ("Varnel\r\n\r\n分类：儿科\r\n"
              "参考依据：儿童脱水补液：1% 脱水≈10ml/kg，前 8 小时补半量，后 16 小时补余量\r\n\r\n"
              "本工具为临床辅助计算/记录工具，结果不能替代医师诊疗判断，\r\n"
              "具体用药与处置请结合患者实际情况及本院规范执行。\r\n\r\n"
              "版本 V1.0    官网：www.telmmedsuite.example")

WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX = 0xC00000, 0x80000, 0x20000
WS_THICKFRAME, WS_MAXIMIZEBOX, WS_VSCROLL = 0x40000, 0x10000, 0x200000
SS_RIGHT, ES_MULTILINE, ES_AUTOVSCROLL, ES_AUTOHSCROLL = 0x2, 0x4, 0x40, 0x80
ES_READONLY, BS_OWNERDRAW = 0x800, 0xB

# The controls in creation order: id, class, {x, y, width, height}, text,
# style bits that must be set.
CONTROLS = [
    (0, "Static", [24, 151, 184, 22], "体重", SS_RIGHT),
    (W, "Edit", [216, 146, 152, 27], "15", ES_AUTOHSCROLL),
    (0, "Static", [374, 150, 78, 22], "kg", 0),
    (0, "Static", [24, 185, 184, 22], "脱水程度", SS_RIGHT),
    (PCT, "Edit", [216, 180, 152, 27], "5", ES_AUTOHSCROLL),
    (0, "Static", [374, 184, 78, 22], "%", 0),
    (0, "Static", [492, 142, 492, 46], PLACEHOLDER, 0),
    (RESULT, "Edit", [492, 196, 492, 232], "",
     WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY),
    (0, "Static", [492, 444, 492, 120], "先扩容后补累积；监测尿量、心率、毛细血管充盈时间。", 0),
    (0, "Static", [492, 576, 492, 56],
     "参考依据：儿童脱水补液：1% 脱水≈10ml/kg，前 8 小时补半量，后 16 小时补余量", 0),
    (CALCULATE, "Button", [20, 668, 152, 40], "计算 (F5)", BS_OWNERDRAW),
    (SAVE, "Button", [184, 668, 132, 40], "保存记录", BS_OWNERDRAW),
    (COPY, "Button", [328, 668, 132, 40], "复制结果", BS_OWNERDRAW),
    (RESET, "Button", [472, 668, 132, 40], "清空重填", BS_OWNERDRAW),
    (ABOUT, "Button", [616, 668, 110, 40], "关于", BS_OWNERDRAW),
]

# Points of the painting and their colours, "RRGGBB".
PAINTED = [
    ("background between header and panels", (10, 92), "F4F7F9"),
    ("header band", (800, 60), "006C96"),
    ("header band at the right edge", (1019, 80), "006C96"),
    ("accent stripe", (4, 44), "0084B0"),
    ("left panel", (300, 600), "FFFFFF"),
    ("left panel outline", (20, 300), "DAE2E8"),
    ("right panel", (990, 300), "FFFFFF"),
    ("right panel outline", (999, 300), "DAE2E8"),
    ("rule under the left heading", (300, 133), "E4EAEE"),
    ("rule under the right heading", (900, 133), "E4EAEE"),
    ("bottom bar", (900, 680), "ECF1F4"),
    ("bottom bar at the right edge", (1019, 719), "ECF1F4"),
    ("primary button", (30, 675), "007AA8"),
    ("primary button outline", (20, 668), "006A94"),
    ("secondary button", (190, 675), "FFFFFF"),
    ("secondary button outline", (184, 668), "CED8E0"),
]

# Painted texts: box, font height and weight, extra flags, ink, paper, text.
PAINTED_TEXTS = [
    ("title", (26, 12, 700, 38), 27, 700, 0, "FFFFFF", "006C96", "Varnel"),
    ("subtitle", (28, 48, 720, 28), 14, 400, 0, "D6ECF6", "006C96",
     "儿科  ·  累积损失、维持量与首批补液"),
    ("web address", (780, 8, 214, 26), 12, 400, RIGHT, "BEDCEB", "006C96",
     "www.telmmedsuite.example"),
    ("left heading", (36, 104, 300, 30), 14, 400, 0, "006C96", "FFFFFF", "输入参数"),
    ("right heading", (492, 104, 300, 30), 14, 400, 0, "006C96", "FFFFFF", "计算结果"),
]


def clipboard():
    done = winetest.wine(os.environ["TELM_DRIVER"], "clipboard")
    return done.stdout.decode("utf-8") if done.returncode == 0 else None


def x_clipboard():
    """The clipboard as X applications see it (line ends as LF)."""
    with open(os.path.join(winetest.WINE_DIR, "display")) as f:
        display = f.read().strip()
    done = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True,
                          timeout=30, env={**os.environ, "DISPLAY": display})
    return done.stdout.decode("utf-8")


def verdict_shows(window, checks, what, text, level):
    checks.equal(f"{what}: verdict text", window.child(492, 142)["text"], text)
    colour = LEVEL_COLOUR[level]
    checks.true(f"{what}: verdict drawn in {colour}",
                wait_for("colour", lambda: window.count(*VERDICT_BOX, colour) > 50))
    for other, other_colour in LEVEL_COLOUR.items():
        if other != level:
            checks.equal(f"{what}: no verdict pixels in level {other} colour",
                         window.count(*VERDICT_BOX, other_colour), 0)


def status_is(window, checks, what, status):
    checks.equal(f"{what}: status line shows {status!r}",
                 wait_for("status", lambda: window.status_mismatch(status) == 0), True)


def calculate_with(window, weight, percent, key):
    """Types both entries and runs Calculate by key ("F5", "Return") or button."""
    window.type_into(W, weight)
    window.type_into(PCT, percent)
    if key == "button":
        window.click_control(CALCULATE)
    else:
        window.key(key)


def check_start(window, checks):
    info = window.refresh()
    checks.equal("title", info["title"], "Varnel")
    checks.equal("class", info["class"], "TelmMedToolWnd")
    checks.equal("client size", info["client"][2:], [1020, 720])
    x, y, width, height = info["window"]
    screen_width, screen_height = info["screen"]
    checks.equal("centred", [x, y], [(screen_width - width) // 2, (screen_height - height) // 2])
    style = info["style"]
    checks.equal("caption, system menu and minimise box",
                 style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
                 WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)
    checks.equal("no sizing border and no maximise box",
                 style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0)
    children = info["children"]
    checks.equal("number of controls", len(children), len(CONTROLS))
    for child, (control_id, kind, rect, text, bits) in zip(children, CONTROLS):
        what = f"control {text[:8]!r}"
        checks.equal(what + " id", child["id"], control_id)
        checks.equal(what + " class", child["class"], kind)
        checks.equal(what + " place", child["rect"], rect)
        checks.equal(what + " text", child["text"], text)
        checks.equal(what + " style", child["style"] & bits, bits)
    checks.equal("focus starts in the first field", info["focus"], str(W))
    for what, point, colour in PAINTED:
        checks.equal(what, window.pixels(point)[0], colour)
    for what, box, height, weight, flags, ink, paper, text in PAINTED_TEXTS:
        checks.equal(what + " drawn", window.text_mismatch(box, UI_FACE, height, weight, flags,
                                                           ink, paper, text), 0)
    status_is(window, checks, "start", "就绪：填写参数后按 F5 或点击“计算”")
    verdict_shows(window, checks, "start", PLACEHOLDER, 0)


def check_no_result_yet(window, checks, what):
    """Copy without a result says so and leaves the clipboard alone."""
    driver("set-clipboard", "旧内容")
    window.click_control(COPY)
    box = window.answer_box("提示")
    checks.equal(f"{what}: Copy message", box["text"], "请先点击“计算”生成结果。")
    checks.equal(f"{what}: Copy message icon", box["icon"], "information")
    checks.true(f"{what}: Copy message owned by the window", box["owner_is_main"])
    checks.equal(f"{what}: clipboard untouched", clipboard(), "旧内容")


def check_about(window, checks, what):
    window.click_control(ABOUT)
    box = window.answer_box("关于本工具")
    checks.equal(f"{what}: About text", box["text"], ABOUT_TEXT)
    checks.equal(f"{what}: About icon", box["icon"], "information")
    checks.equal(f"{what}: About has one button", box["buttons"], 1)


def check_levels(window, checks):
    # weight, percent, how Calculate is run, result, verdict, level
    cases = [
        ("15", "5", "button", DEFAULT_RESULT, MILD, 1),
        ("25", "7", "F5", "累积损失：1750 ml\r\n前 8 小时：875 ml\r\n"
         "前 8 小时速度：109.4 ml/h\r\n每日维持量：1600 ml\r\n", MODERATE, 2),
        ("8", "12", "Return", SEVERE_RESULT, SEVERE, 3),
    ]
    for weight, percent, key, result, verdict, level in cases:
        what = f"{weight} kg, {percent} % by {key}"
        calculate_with(window, weight, percent, key)
        checks.equal(what + ": result box",
                     wait_for("result", lambda: window.text(RESULT) == result), True)
        verdict_shows(window, checks, what, verdict, level)
        status_is(window, checks, what, "计算完成  Varnel")
        checks.equal(what + ": focus on the window", window.focus(), "main")
        checks.equal(what + ": the key reached no field", window.text(PCT), percent)


def check_copy(window, checks):
    driver("set-clipboard", "旧内容")
    window.click_control(COPY)
    expected = "Varnel\r\n" + SEVERE_RESULT + "—— " + SEVERE
    checks.equal("Copy: clipboard text", wait_for("copy", lambda: clipboard() == expected), True)
    checks.equal("Copy: clipboard as X sees it", x_clipboard(), expected.replace("\r\n", "\n"))
    status_is(window, checks, "Copy", "结果已复制到剪贴板")


def check_copy_failure(window, checks):
    """A clipboard held by another program: the status says the copy failed."""
    driver("set-clipboard", "旧内容")
    holder = subprocess.Popen([winetest.WINE_RUN, os.environ["TELM_DRIVER"], "hold-clipboard",
                               "4000"], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
    try:
        checks.equal("clipboard held", holder.stdout.readline().strip(), b"held")
        window.click_control(COPY)
        status_is(window, checks, "Copy while the clipboard is held", "复制失败，请重试")
    finally:
        holder.wait(timeout=60)
    checks.equal("clipboard untouched by the failed copy", clipboard(), "旧内容")


def refused(window, checks, what, entries, position, label, status):
    """Enters the texts, presses F5 and expects the warning for one entry and
    everything else as it was (status: the status line before)."""
    for field, text in entries:
        if "\t" in text:
            driver("set", field, text)  # a single-line field takes no tab from the keyboard
        else:
            window.type_into(field, text)
    window.click_control(W)
    window.key("F5")
    box = window.answer_box("输入有误")
    checks.equal(what + ": message", box["text"], f"第 {position} 项“{label}”请输入数字。")
    checks.equal(what + ": warning icon", box["icon"], "warning")
    checks.true(what + ": owned by the window", box["owner_is_main"])
    time.sleep(0.5)
    checks.equal(what + ": one message only", driver_status("nobox", "输入有误"), 0)
    checks.equal(what + ": focus on the entry", window.focus(), str(INPUT_FIRST + position - 1))
    checks.equal(what + ": result kept", window.text(RESULT), SEVERE_RESULT)
    checks.equal(what + ": verdict kept", window.child(492, 142)["text"], SEVERE)
    status_is(window, checks, what, status)


def check_refused_entries(window, checks):
    # entries typed, position and label of the entry reported
    cases = [
        ([(W, "abc")], 1, "体重"),
        ([(W, "inf")], 1, "体重"),
        ([(W, "nan")], 1, "体重"),
        ([(W, "1e999")], 1, "体重"),
        ([(W, "8"), (PCT, "\t\t")], 2, "脱水程度"),
        ([(W, "x"), (PCT, "y")], 1, "体重"),  # only the first bad entry is reported
    ]
    for entries, position, label in cases:
        refused(window, checks, f"entries {entries}", entries, position, label,
                "结果已复制到剪贴板")
    window.type_into(W, "8")
    window.type_into(PCT, "12")


def check_refused_keeps_values(window, checks):
    """After a refused Calculate, Copy and Save still work on the shown result
    and the values it was computed from, not on half-read new entries."""
    refused(window, checks, "new weight, bad percent", [(W, "30"), (PCT, "abc")], 2, "脱水程度",
            "结果已复制到剪贴板")
    window.click_control(COPY)
    expected = "Varnel\r\n" + SEVERE_RESULT + "—— " + SEVERE
    checks.equal("Copy after a refused entry copies the shown result",
                 wait_for("copy", lambda: clipboard() == expected), True)
    window.click_control(SAVE)
    window.answer_box("已保存")
    files = glob.glob(os.path.join(winetest.PREFIX, "drive_c", "users", "*", "AppData", "Local",
                                   "TelmMedSuite", "records", "T021.csv"))
    checks.equal("record file", len(files), 1)
    if files:
        with open(files[0], encoding="utf-8-sig", newline="") as f:
            content = f.read()
        last = content[content.rfind(",Varnel,"):]
        checks.equal("saved values are those of the shown result",
                     last.startswith(",Varnel,体重=8,脱水程度=12,累积损失：960 ml\r\n"), True)
    window.type_into(W, "8")
    window.type_into(PCT, "12")


def check_accepted_entries(window, checks):
    twelve = ("累积损失：600 ml\r\n前 8 小时：300 ml\r\n"
              "前 8 小时速度：37.5 ml/h\r\n每日维持量：1100 ml\r\n")
    zero = ("累积损失：0 ml\r\n前 8 小时：0 ml\r\n"
            "前 8 小时速度：0.0 ml/h\r\n每日维持量：0 ml\r\n")
    # weight entry as typed, result
    cases = [
        ("  12", twelve),  # leading blanks are skipped
        ("12kg", twelve),  # text after the number is ignored
        ("", zero),  # an empty entry reads 0
        ("   ", zero),  # blanks alone read 0
    ]
    for weight, result in cases:
        calculate_with(window, weight, "5", "F5")
        checks.equal(f"weight {weight!r}: result",
                     wait_for("result", lambda: window.text(RESULT) == result), True)


def check_pressed_buttons(window, checks):
    window.press_on(CALCULATE)
    checks.equal("primary button pressed", window.pixels((30, 675))[0], "00648A")
    window.release()
    window.press_on(ABOUT)
    checks.equal("secondary button pressed", window.pixels((620, 675))[0], "E2EAF0")
    window.release()
    window.answer_box("关于本工具")
    checks.equal("primary button released", window.pixels((30, 675))[0], "007AA8")
    checks.equal("secondary button released", window.pixels((620, 675))[0], "FFFFFF")


def check_reset(window, checks):
    calculate_with(window, "8", "12", "F5")
    wait_for("result", lambda: window.text(RESULT) == SEVERE_RESULT)
    window.type_into(W, "30")
    window.click_control(RESET)
    checks.equal("Reset: weight", wait_for("reset", lambda: window.text(W) == "15"), True)
    checks.equal("Reset: percent", window.text(PCT), "5")
    checks.equal("Reset: result box", window.text(RESULT), "")
    verdict_shows(window, checks, "Reset", PLACEHOLDER, 0)
    status_is(window, checks, "Reset", "已恢复默认值")
    check_no_result_yet(window, checks, "after Reset")
    # The last click left the focus on a button: Enter there calculates too.
    window.click_control(RESET)
    window.key("Return")
    checks.equal("Enter on a button calculates",
                 wait_for("result", lambda: window.text(RESULT) == DEFAULT_RESULT), True)


def main():
    checks = winetest.Checks()
    window = Window()
    try:
        check_start(window, checks)
        check_no_result_yet(window, checks, "before Calculate")
        check_about(window, checks, "before Calculate")
        check_levels(window, checks)
        artifacts = os.path.join(winetest.BUILD_DIR, "e2e-artifacts")
        os.makedirs(artifacts, exist_ok=True)
        window.screenshot(os.path.join(artifacts, "window_after_calculate.png"))
        check_about(window, checks, "after Calculate")
        check_copy(window, checks)
        check_refused_entries(window, checks)
        check_refused_keeps_values(window, checks)
        calculate_with(window, "8", "12", "F5")
        wait_for("result", lambda: window.text(RESULT) == SEVERE_RESULT)
        check_copy_failure(window, checks)
        check_pressed_buttons(window, checks)
        check_accepted_entries(window, checks)
        check_reset(window, checks)
        checks.equal("closing ends the process with 0", window.close(), 0)
    finally:
        window.kill()
    checks.finish()


if __name__ == "__main__":
    main()
