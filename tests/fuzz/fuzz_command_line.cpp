// Fuzzes the command-line reader with arbitrary UTF-16 command lines and
// capacities. Properties: the switch is found exactly when the line holds
// "--selftest"; the path never exceeds 519 units (capacity - 1), is
// terminated, non-empty, and is the default or a piece of the line after the
// switch; nothing past the capacity is written; without the switch the path
// buffer stays untouched.
#include "app/command_line.h"
#include "tests/fuzz/fuzz_support.h"

#include <cwchar>
#include <string>

namespace {

const wchar_t SWITCH[] = L"--selftest";
constexpr size_t SWITCH_LENGTH = 10;

void checkReading(const std::wstring& line, int32_t capacity) {
    GuardedText path(capacity);
    const bool found = findSelfTestSwitch(line.c_str(), path.text(), capacity);
    FUZZ_CHECK(path.guardsIntact());
    const size_t at = line.find(SWITCH);
    FUZZ_CHECK(found == (at != std::wstring::npos));
    if (!found) {
        for (int32_t i = 0; i < capacity; ++i) {
            FUZZ_CHECK(path.text()[i] == GUARD_UNIT);
        }
        return;
    }
    const int32_t length = path.terminatedLength();
    FUZZ_CHECK(length >= 0 && length <= capacity - 1);
    if (capacity == 1) {
        return;
    }
    FUZZ_CHECK(length > 0);
    const std::wstring text(path.text(), static_cast<size_t>(length));
    if (std::wstring(L"selftest.txt").compare(0, text.size(), text) == 0) {
        return; // the default, possibly cut by a small capacity
    }
    // The path is read right after the switch and its blanks.
    const size_t after = line.find_first_not_of(L' ', at + SWITCH_LENGTH);
    FUZZ_CHECK(after != std::wstring::npos);
    const bool quoted = line[after] == L'"';
    const size_t start = quoted ? after + 1 : after;
    FUZZ_CHECK(line.compare(start, text.size(), text) == 0);
    FUZZ_CHECK(text.find(quoted ? L'"' : L' ') == std::wstring::npos);
    // A path shorter than the room ends where the line or the path ends.
    if (length < capacity - 1) {
        const size_t end = start + text.size();
        FUZZ_CHECK(end == line.size() || line[end] == (quoted ? L'"' : L' '));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first two bytes choose a capacity; the rest are UTF-16 units,
    // the command line ending at its first zero unit.
    const int32_t capacity = 1 + (data[0] | (data[1] << 8)) % 700;
    std::wstring line;
    for (size_t i = 2; i + 1 < size; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        line += unit;
    }
    checkReading(line, REPORT_PATH_CAPACITY);
    checkReading(line, capacity);
    // A null command line holds no switch.
    wchar_t untouched[4] = {1, 1, 1, 1};
    FUZZ_CHECK(!findSelfTestSwitch(nullptr, untouched, 4) && untouched[0] == 1);
    return 0;
}
