"""Drives the real main window in the test session, as a person would: X
pointer and key events by xdotool, and what is on screen read back through
telm_driver.exe (see the comment at the top of telm_driver.cpp).

Import from an end-to-end test after putting tests/e2e and tests/driver on
sys.path; the environment comes from the ctest fixture (TELM_DRIVER,
TELM_TOOL_WINDOW, TELM_WINE_DIR, TELM_WINE_RUN, TELM_EXE, TELM_BUILD_DIR).
"""

import json
import os
import subprocess
import time

import winetest

DRIVER = os.environ["TELM_DRIVER"]
TOOL_WINDOW = os.environ["TELM_TOOL_WINDOW"]

# Ids of the window's controls.
CALCULATE, SAVE, COPY, RESET, ABOUT = 1001, 1002, 1003, 1004, 1005
INPUT_FIRST = 2000
RESULT = 3000

# DrawTextW's DT_RIGHT, for match_text.
RIGHT = 0x2


def _display():
    with open(os.path.join(winetest.WINE_DIR, "display")) as f:
        return f.read().strip()


# A driver run that fails without a word of its own did not get to run: Wine
# now and then fails to start a program while the session is busy. Such runs
# are repeated; every failure of the driver itself prints its reason.
SILENT_FAILURE_TRIES = 3


def driver(*args, check=True, timeout=60):
    """Runs telm_driver.exe; returns its stdout decoded from UTF-8."""
    for _ in range(SILENT_FAILURE_TRIES):
        done = winetest.wine(DRIVER, *[str(a) for a in args], timeout=timeout)
        if done.returncode == 0 or done.stderr.strip():
            break
        time.sleep(0.5)
    if check and done.returncode != 0:
        raise RuntimeError(f"telm_driver {args} exited {done.returncode}: "
                           f"{done.stderr.decode('utf-8', 'replace')}")
    return done.stdout.decode("utf-8")


def driver_status(*args):
    """Exit code of telm_driver.exe with args."""
    return winetest.wine(DRIVER, *[str(a) for a in args]).returncode


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True, timeout=30,
                   env={**os.environ, "DISPLAY": _display()})


def wait_for(what, condition, timeout=10.0):
    """Polls condition() until it is truthy; returns its last value."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= end:
            return value
        time.sleep(0.1)


class Window:
    """One run of a program that shows the main window."""

    def __init__(self, program=None, *args):
        program = program or winetest.EXE
        self.process = subprocess.Popen([winetest.WINE_RUN, program, *args],
                                        stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        # The first Wine program of a session starts the desktop process; a
        # second one started at the same instant can hang in that start, so
        # the driver follows a moment later and is run again if it hangs.
        try:
            time.sleep(1)
            for attempt in range(3):
                try:
                    driver("wait", 20000, timeout=40)
                    break
                except subprocess.TimeoutExpired:
                    if attempt == 2:
                        raise
            wait_for("window", self._try_refresh, timeout=10)
            self.refresh()
        except BaseException:
            self.kill()
            raise

    def _try_refresh(self):
        try:
            self.refresh()
            return True
        except RuntimeError:
            return False

    def refresh(self):
        """Reads the window's layout and state anew; returns it."""
        self.info = json.loads(driver("info"))
        return self.info

    def to_screen(self, x, y):
        left, top, _, _ = self.info["client"]
        return left + x, top + y

    def child(self, x, y):
        """The child control whose client rect starts at (x, y)."""
        for child in self.refresh()["children"]:
            if child["rect"][:2] == [x, y]:
                return child
        return None

    def text(self, control_id):
        return driver("text", control_id)

    def focus(self):
        return self.refresh()["focus"]

    # --- a person's actions ---

    def click(self, x, y):
        """Left click at a client point (the pointer stays there)."""
        xdotool("mousemove", *self.to_screen(x, y))
        time.sleep(0.1)
        xdotool("click", 1)
        time.sleep(0.2)

    def click_control(self, control_id):
        for child in self.refresh()["children"]:
            if child["id"] == control_id:
                x, y, width, height = child["rect"]
                self.click(x + width // 2, y + height // 2)
                return
        raise KeyError(control_id)

    def key(self, *names):
        """Key presses to the focused control; the pointer must be on the window."""
        xdotool("key", "--delay", 50, *names)
        time.sleep(0.3)

    def type_into(self, control_id, text):
        """Clicks into a field, erases it and types text."""
        self.click_control(control_id)
        old = self.text(control_id)
        self.key("End", *["BackSpace"] * (len(old) + 1))
        if text:
            xdotool("type", "--delay", 40, text)
            time.sleep(0.2)

    def press_on(self, control_id):
        """Holds the left button down on a control; release() lets go."""
        for child in self.refresh()["children"]:
            if child["id"] == control_id:
                x, y, width, height = child["rect"]
                xdotool("mousemove", *self.to_screen(x + width // 2, y + height // 2))
                time.sleep(0.1)
                xdotool("mousedown", 1)
                time.sleep(0.3)
                return
        raise KeyError(control_id)

    def release(self):
        xdotool("mouseup", 1)
        time.sleep(0.3)

    def message_box(self, title, timeout_ms=10000):
        """Waits for the box with title; returns its JSON description."""
        return json.loads(driver("box", title, timeout_ms))

    def answer_box(self, title):
        """Reads the box with title, clicks its OK button, returns what it said."""
        box = self.message_box(title)
        x, y, width, height = box["ok"]
        xdotool("mousemove", x + width // 2, y + height // 2)
        time.sleep(0.1)
        xdotool("click", 1)
        wait_for("box closed", lambda: driver_status("nobox", title) == 0)
        return box

    # --- what is on screen ---

    def pixels(self, *points):
        """Colours "RRGGBB" at client points."""
        args = [c for point in points for c in point]
        return driver("pixel", *args).split()

    def count(self, x, y, width, height, colour):
        return int(driver("count", x, y, width, height, colour))

    def text_mismatch(self, box, face, height, weight, flags, ink, paper, text):
        """Pixels of box that differ from text drawn there as the window draws it."""
        x, y, width, h = box
        return int(driver("match-text", x, y, width, h, face, height, weight, flags,
                          ink, paper, text))

    def status_mismatch(self, status):
        """How far the status line is from showing status (0: exactly)."""
        return self.text_mismatch((740, 704, 264, 16), "Microsoft YaHei UI", 12, 400, RIGHT,
                                  "78848E", "ECF1F4", status)

    def screenshot(self, path):
        """Saves what the screen shows of the window as a PNG."""
        self.refresh()
        x, y, width, height = self.info["window"]
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                        path], check=True, timeout=60,
                       env={**os.environ, "DISPLAY": _display()})

    # --- the end ---

    def close(self, timeout=30):
        """Closes the window as its close box would; returns the exit code."""
        driver("close")
        return self.process.wait(timeout=timeout)

    def kill(self):
        """Ends the run if it is still going (after a failed test)."""
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)
