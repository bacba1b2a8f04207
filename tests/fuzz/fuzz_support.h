// Checks shared by the fuzz targets: buffers fenced by guard units, so that a
// write past the capacity that still lands inside the allocation is caught.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Aborts with a message, so that libFuzzer records the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// A unit that no text of the program contains.
constexpr wchar_t GUARD_UNIT = static_cast<wchar_t>(0xFDD0);
constexpr int32_t GUARD_UNITS = 16;

// capacity usable units with GUARD_UNITS guards on each side; the usable
// part starts filled with guards too, so an unwritten buffer is visible.
struct GuardedText {
    std::vector<wchar_t> units;
    int32_t capacity;

    explicit GuardedText(int32_t usable)
        : units(static_cast<size_t>(usable > 0 ? usable : 0) + 2 * GUARD_UNITS, GUARD_UNIT),
          capacity(usable) {}

    wchar_t* text() { return units.data() + GUARD_UNITS; }
    const wchar_t* text() const { return units.data() + GUARD_UNITS; }

    // True when nothing outside the capacity was touched.
    bool guardsIntact() const {
        const int32_t usable = capacity > 0 ? capacity : 0;
        for (int32_t i = 0; i < GUARD_UNITS; ++i) {
            if (units[i] != GUARD_UNIT || units[GUARD_UNITS + usable + i] != GUARD_UNIT) {
                return false;
            }
        }
        return true;
    }

    // Length of the text when it is terminated inside the capacity, else -1.
    int32_t terminatedLength() const {
        for (int32_t i = 0; i < capacity; ++i) {
            if (text()[i] == 0) {
                return i;
            }
        }
        return -1;
    }
};
