"""Two instances of the real exe saving into the same record file at the same
moment, many times each: the file keeps one header and only whole rows."""

import re
import subprocess

from test_records import (BOM, HEADER, HELPER, RECORD_FILE, ROW_DEFAULTS, STAMP, WINE_RUN,
                          Window, clear_records, driver, eventually, file_bytes)
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
    with Window() as first:
        checks.true("first instance: calculated", first.calculate())
        with Window() as second:
            # The second window opens over the first; the driver now reaches it.
            checks.true("second instance: on top",
                        eventually(lambda: driver("text", "3000").stdout == b"", 10))
            checks.true("second instance: weight typed", second.enter(0, "20"))
            checks.true("second instance: degree typed", second.enter(1, "8"))
            checks.true("second instance: calculated", second.calculate())

            # Both Save buttons clicked at once, round after round.
            saved = subprocess.run([WINE_RUN, HELPER, "save-all", str(ROUNDS)], timeout=400,
                                   stdin=subprocess.DEVNULL, capture_output=True)
            checks.equal("both saved every time", saved.returncode, 0)
            checks.equal("helper report", saved.stdout,
                         f"2 windows saved {ROUNDS} times each".encode())

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
