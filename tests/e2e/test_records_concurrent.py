"""Two instances of the real exe saving into the same record file at the same
moment, many times each: the file keeps one header and only whole rows."""

import re

from test_records import (BOM, HEADER, ROW_DEFAULTS, STAMP, Window, calculate, clear_records,
                          enter, file_bytes, helper)
from window_driver import RESULT, driver, wait_for
from winetest import Checks

ROUNDS = 25

# The second instance calculates weight 20 kg and 8 %.
ROW_OTHER = ("Varnel,体重=20,脱水程度=8,"
             "累积损失：1600 ml\r\n"
             "前 8 小时：800 ml\r\n"
             "前 8 小时速度：100.0 ml/h\r\n"
             "每日维持量：1500 ml\r\n"
             "\r\n").encode()


def main():
    checks = Checks()
    clear_records()
    first = Window()
    second = None
    try:
        checks.true("first instance: calculated", calculate(first))
        second = Window()
        # The second window opens over the first; the driver now reaches it.
        checks.true("second instance: on top",
                    wait_for("second", lambda: driver("text", RESULT) == "", timeout=10))
        checks.true("second instance: weight typed", enter(second, 0, "20"))
        checks.true("second instance: degree typed", enter(second, 1, "8"))
        checks.true("second instance: calculated", calculate(second))

        # Both Save buttons clicked at once, round after round.
        saved = helper("save-all", str(ROUNDS), timeout=400)
        checks.equal("both saved every time", saved.returncode, 0)
        checks.equal("helper report", saved.stdout,
                     f"2 windows saved {ROUNDS} times each".encode())
        if saved.returncode != 0:
            print(saved.stderr.decode(errors="replace"), flush=True)
        second.close()
        first.close()
    finally:
        first.kill()
        if second:
            second.kill()

    data = file_bytes()
    lead = BOM + HEADER
    checks.equal("file starts with one mark and header", data[:len(lead)], lead)
    record = re.compile(STAMP + b"," + b"(" + re.escape(ROW_DEFAULTS) + b"|" +
                        re.escape(ROW_OTHER) + b")")
    counts = {ROW_DEFAULTS: 0, ROW_OTHER: 0}
    position = len(lead)
    while position < len(data):
        match = record.match(data, position)
        if not match:
            checks.true("only whole rows", False, repr(data[position:position + 300]))
            break
        counts[match.group(7)] += 1
        position = match.end()
    checks.equal("rows of the first instance", counts[ROW_DEFAULTS], ROUNDS)
    checks.equal("rows of the second instance", counts[ROW_OTHER], ROUNDS)
    clear_records()
    checks.finish()


if __name__ == "__main__":
    main()
