// Reading the program's command line.
#pragma once

#include <cstdint>

// Report path buffer: at most 519 units of path and the terminating zero.
constexpr int32_t REPORT_PATH_CAPACITY = 520;

// Looks for "--selftest" anywhere in commandLine (the whole line, program
// path included). When found, writes the report path that follows it into
// path (cut to capacity - 1 units; "selftest.txt" when none is given) and
// returns true; otherwise returns false and leaves path untouched. A null
// command line holds no switch.
bool findSelfTestSwitch(const wchar_t* commandLine, wchar_t* path, int32_t capacity);
