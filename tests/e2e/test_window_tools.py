"""The main window showing tools other than the built-in one (through the
test program telm_tool_window.exe): rows without units, defaults in "%.6g",
missing subtitle and hint, a title too wide for the header, a failing
formula, a tool without inputs and a report tool with a long report."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "driver")]

import winetest  # noqa: E402
from window_driver import (CALCULATE, COPY, INPUT_FIRST, RESULT, TOOL_WINDOW, Window,  # noqa: E402
                           wait_for)

UI_FACE = "Microsoft YaHei UI"
VERDICT_BOX = (492, 142, 492, 46)
LONG_NAME = "这是一个名称很长很长的测试工具用来检查标题栏末尾是否出现省略号而不会越界绘制"


def clipboard():
    done = winetest.wine(os.environ["TELM_DRIVER"], "clipboard")
    return done.stdout.decode("utf-8") if done.returncode == 0 else None


def check_plain(checks):
    window = Window(TOOL_WINDOW, "plain")
    try:
        children = window.refresh()["children"]
        # class, {x, y, width, height}, text: rows without a unit have no unit control
        rows = [
            ("Static", [24, 151, 184, 22], "剂量"),
            ("Edit", [216, 146, 152, 27], "0.5"),
            ("Static", [24, 185, 184, 22], "计数"),
            ("Edit", [216, 180, 152, 27], "1.23457e+06"),
            ("Static", [24, 219, 184, 22], "体重"),
            ("Edit", [216, 214, 152, 27], "15"),
            ("Static", [374, 218, 78, 22], "kg"),
            ("Static", [492, 142, 492, 46], "填写左侧参数，点击“计算”"),
        ]
        for child, (kind, rect, text) in zip(children, rows):
            checks.equal(f"plain: control {text}", [child["class"], child["rect"], child["text"]],
                         [kind, rect, text])
        checks.equal("plain: no hint", window.child(492, 444)["text"], "")
        checks.equal("plain: title cut with an ellipsis",
                     window.text_mismatch((26, 12, 700, 38), UI_FACE, 27, 700, 0, "FFFFFF",
                                          "006C96", LONG_NAME), 0)
        checks.equal("plain: nothing of the title right of its box",
                     window.count(727, 12, 40, 38, "FFFFFF"), 0)
        checks.equal("plain: subtitle without a subtitle",
                     window.text_mismatch((28, 48, 720, 28), UI_FACE, 14, 400, 0, "D6ECF6",
                                          "006C96", "测试  ·  "), 0)
        window.click_control(CALCULATE)
        result = "合计：15.50 mg\r\n无法计算：5\r\n（部分结果无法计算，请检查输入是否合理）\r\n"
        checks.equal("plain: result with the failure line",
                     wait_for("result", lambda: window.text(RESULT) == result), True)
        checks.equal("plain: default verdict", window.child(492, 142)["text"],
                     "请核对输入参数后重新计算")
        checks.true("plain: default verdict in the level 0 colour",
                    window.count(*VERDICT_BOX, "008060") > 50)
        window.click_control(COPY)
        expected = LONG_NAME + "\r\n" + result + "—— 请核对输入参数后重新计算"
        checks.equal("plain: clipboard",
                     wait_for("copy", lambda: clipboard() == expected), True)
        checks.equal("plain: closes with 0", window.close(), 0)
    finally:
        window.kill()


def check_empty(checks):
    window = Window(TOOL_WINDOW, "empty")
    try:
        info = window.refresh()
        checks.equal("no inputs: no field", [c for c in info["children"]
                                             if c["id"] >= INPUT_FIRST and c["id"] < RESULT], [])
        checks.equal("no inputs: no focus at start", info["focus"], "none")
        window.click_control(CALCULATE)
        checks.equal("no inputs: result",
                     wait_for("result", lambda: window.text(RESULT) == "常数：42 次\r\n"), True)
        checks.equal("no inputs: verdict", window.child(492, 142)["text"], "常数大于四十")
        checks.true("no inputs: verdict in the level 2 colour",
                    wait_for("colour", lambda: window.count(*VERDICT_BOX, "D66C00") > 50))
        checks.equal("no inputs: focus on the window", window.focus(), "main")
        checks.equal("no inputs: closes with 0", window.close(), 0)
    finally:
        window.kill()


def check_report(checks):
    window = Window(TOOL_WINDOW, "roster")
    try:
        window.click_control(CALCULATE)
        result = wait_for("result", lambda: window.text(RESULT))
        checks.true("report: the roster is shown",
                    result.startswith("排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，"
                                      "按人员顺序滚动。\r\n人员：6 人；周期：31 天\r\n\r\n护士01：\r\n"
                                      "  1日D 2日R 3日N "), result[:80])
        checks.true("report: longer than the clipboard text keeps", len(result) > 1023,
                    f"{len(result)} units")
        checks.equal("report: verdict", window.child(492, 142)["text"],
                     "已生成轮转排班表，可复制到排班本或表格")
        window.click_control(COPY)
        # A report goes to the clipboard without a verdict, cut at 1023 units.
        expected = "排班表\r\n" + result[:1023]
        checks.equal("report: clipboard holds the name and the cut report",
                     wait_for("copy", lambda: clipboard() == expected), True)
        checks.equal("report: closes with 0", window.close(), 0)
    finally:
        window.kill()


def main():
    checks = winetest.Checks()
    check_plain(checks)
    check_empty(checks)
    check_report(checks)
    checks.finish()


if __name__ == "__main__":
    main()
