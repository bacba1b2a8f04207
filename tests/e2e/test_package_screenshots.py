"""Takes the user guide's screenshots of the real window, driven by keys and
clicks as a clinician would, so that the guide always shows the current
program. The pictures go to guide/shots/ in the build tree, where the
package step (cmake/make-package.cmake) embeds them into the guide."""

import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "driver"))

from winetest import BUILD_DIR, WINE_DIR, Checks  # noqa: E402
from window_driver import INPUT_FIRST, RESULT, Window, wait_for  # noqa: E402

SHOTS = os.path.join(BUILD_DIR, "guide", "shots")

# The result box for weight 15 kg, typed out from the tool's formulas.
MILD_RESULT = ("累积损失：750 ml\r\n前 8 小时：375 ml\r\n"
               "前 8 小时速度：46.9 ml/h\r\n每日维持量：1250 ml\r\n")
SEVERE_RESULT = ("累积损失：1800 ml\r\n前 8 小时：900 ml\r\n"
                 "前 8 小时速度：112.5 ml/h\r\n每日维持量：1250 ml\r\n")
PLACEHOLDER = "填写左侧参数，点击“计算”"
MILD = "轻度脱水，可口服补液盐观察"
SEVERE = "重度脱水，先快速扩容 20ml/kg 并评估休克"

checks = Checks()
with open(os.path.join(WINE_DIR, "display")) as f:
    display = f.read().strip()
os.makedirs(SHOTS, exist_ok=True)
for old in os.listdir(SHOTS):
    os.remove(os.path.join(SHOTS, old))


def verdict(window):
    """The verdict line's text (the static control at its fixed place)."""
    control = window.child(492, 142)
    return control["text"] if control else None


def shoot(window, name):
    """Saves what the screen shows of the window's client area as a PNG (no
    caption: without a window manager X draws none)."""
    path = os.path.join(SHOTS, name)
    x, y, width, height = window.refresh()["client"]
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                    "+repage", path], check=True, timeout=60,
                   env={**os.environ, "DISPLAY": display})
    with open(path, "rb") as f:
        header = f.read(24)
    checks.true(f"{name} is a PNG", header[:8] == b"\x89PNG\r\n\x1a\n")
    # The client area has its fixed size of 1020 x 720 pixels.
    checks.equal(f"{name}: size", struct.unpack(">II", header[16:24]), (1020, 720))


window = Window()
try:
    checks.equal("start: verdict placeholder", verdict(window), PLACEHOLDER)
    shoot(window, "main-window.png")

    # The defaults (15 kg, 5 %) and F5 in the weight field.
    window.click_control(INPUT_FIRST)
    window.key("F5")
    checks.equal("F5: result", wait_for("result", lambda: window.text(RESULT)), MILD_RESULT)
    checks.equal("F5: verdict", verdict(window), MILD)
    shoot(window, "result-mild.png")

    # 12 % typed into the second field, then Enter.
    window.type_into(INPUT_FIRST + 1, "12")
    window.key("Return")
    checks.equal("Enter: result",
                 wait_for("result", lambda: window.text(RESULT) == SEVERE_RESULT
                          and SEVERE_RESULT), SEVERE_RESULT)
    checks.equal("Enter: verdict", verdict(window), SEVERE)
    shoot(window, "result-severe.png")

    checks.equal("closing: exit code", window.close(), 0)
finally:
    window.kill()

checks.finish()
