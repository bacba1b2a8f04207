#include "app/command_line.h"

#include "engine/text.h"

namespace {

const wchar_t SELF_TEST_SWITCH[] = L"--selftest";
constexpr int32_t SWITCH_LENGTH = 10;
const wchar_t DEFAULT_REPORT_PATH[] = L"selftest.txt";

// First occurrence of the switch, exact and case-sensitive, anywhere.
const wchar_t* findSwitch(const wchar_t* text) {
    for (; *text; ++text) {
        int32_t i = 0;
        while (i < SWITCH_LENGTH && text[i] == SELF_TEST_SWITCH[i]) {
            ++i;
        }
        if (i == SWITCH_LENGTH) {
            return text;
        }
    }
    return nullptr;
}

} // namespace

bool findSelfTestSwitch(const wchar_t* commandLine, wchar_t* path, int32_t capacity) {
    const wchar_t* found = commandLine ? findSwitch(commandLine) : nullptr;
    if (!found) {
        return false;
    }
    if (!path || capacity < 1) {
        return true;
    }
    const wchar_t* cursor = found + SWITCH_LENGTH;
    while (*cursor == L' ') {
        ++cursor;
    }
    // A quoted path runs to the closing quote (or the end); an unquoted one
    // to the next blank. There are no escapes.
    wchar_t end = L' ';
    if (*cursor == L'"') {
        end = L'"';
        ++cursor;
    }
    int32_t length = 0;
    while (cursor[length] != 0 && cursor[length] != end && length < capacity - 1) {
        path[length] = cursor[length];
        ++length;
    }
    path[length] = 0;
    if (length == 0) {
        copyBounded(path, capacity, DEFAULT_REPORT_PATH);
    }
    return true;
}
