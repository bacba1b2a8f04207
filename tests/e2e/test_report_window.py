"""A report-kind tool in the real main window under Wine: Calculate fills the
result box with the report and the verdict line with its verdict in the
colour of the returned level, and Copy puts the name and the report alone on
the clipboard, driven as a person would (pointer clicks on the buttons)."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "driver"))

from winetest import Checks  # noqa: E402
import window_driver  # noqa: E402
from window_driver import (CALCULATE, COPY, INPUT_FIRST, RESULT, Window, driver,  # noqa: E402
                           wait_for)

# The test window's "report" tool: the critical-values reference (kind 4)
# without inputs, so its selector reads 0 and shows the pointer line.
NAME = "危急值速查"
REPORT = ("常见检验危急值（参考，需以本院文件为准）：\r\n"
          "请查阅本院《危急值报告目录》\r\n"
          "\r\n"
          "处置要求：核实标本→15 分钟内电话报告临床→记录报告与接听人→医师 30 分钟内处理并记录。\r\n")
VERDICT = "危急值必须闭环：报告、接收、处理、记录"

# The verdict line's client box and the colours of the levels.
VERDICT_BOX = (492, 142, 492, 46)
LEVEL_COLOURS = {0: "008060", 1: "B08400", 2: "D66C00", 3: "BE1E2D"}


def verdict_text(window):
    for child in window.refresh()["children"]:
        if child["rect"][:2] == list(VERDICT_BOX[:2]):
            return child["text"]
    return None


def main():
    checks = Checks()
    window = Window(window_driver.TOOL_WINDOW, "report")
    try:
        window.click_control(CALCULATE)
        shown = wait_for("report shown", lambda: window.text(RESULT) == REPORT)
        checks.true("result box shows the report", shown, repr(window.text(RESULT)))
        checks.equal("verdict line", verdict_text(window), VERDICT)

        # Level 0: the verdict is drawn in its colour and in no other level's.
        counts = {level: window.count(*VERDICT_BOX, colour)
                  for level, colour in LEVEL_COLOURS.items()}
        checks.true("verdict drawn in the level 0 colour", counts[0] > 20, counts)
        checks.equal("no other level colour in the verdict line",
                     [counts[1], counts[2], counts[3]], [0, 0, 0])

        driver("set-clipboard", "旧内容")
        window.click_control(COPY)
        copied = wait_for("clipboard filled",
                          lambda: driver("clipboard", check=False) != "旧内容")
        checks.equal("clipboard holds the name and the report alone",
                     driver("clipboard"), NAME + "\r\n" + REPORT)
        checks.true("copy done", copied)

        checks.equal("exit code", window.close(), 0)
    finally:
        window.kill()
    check_drug_levels(checks)
    checks.finish()


# The drug check grades each pair; the verdict line takes the level's colour.
DRUG_CASES = [
    # drug A, drug B, verdict, level
    ("1", "2", "禁忌：不可同瓶输注，需间隔冲管", 3),
    ("10", "4", "不宜同瓶，建议分开输注", 2),  # the pair is taken without order
    ("6", "7", "建议分开输注", 1),
    ("1", "1", "未收录明确禁忌，仍需核对院内配伍表", 0),
]


def check_drug_levels(checks):
    window = Window(window_driver.TOOL_WINDOW, "drugs")
    try:
        for drug_a, drug_b, verdict, level in DRUG_CASES:
            what = f"drugs {drug_a}+{drug_b}"
            window.type_into(INPUT_FIRST, drug_a)
            window.type_into(INPUT_FIRST + 1, drug_b)
            window.key("F5")
            shown = wait_for(what, lambda: verdict_text(window) == verdict)
            checks.true(f"{what}: verdict", shown, verdict_text(window))
            counts = {other: window.count(*VERDICT_BOX, colour)
                      for other, colour in LEVEL_COLOURS.items()}
            checks.true(f"{what}: drawn in the level {level} colour", counts[level] > 20, counts)
            checks.equal(f"{what}: no other level colour",
                         [n for other, n in counts.items() if other != level], [0, 0, 0])
            checks.true(f"{what}: the report names the pair",
                        window.text(RESULT).startswith(f"待查：{drug_a} 号"),
                        window.text(RESULT)[:40])
        checks.equal("drugs: exit code", window.close(), 0)
    finally:
        window.kill()


if __name__ == "__main__":
    main()
