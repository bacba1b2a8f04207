// The bounded text helpers: nothing written past a capacity, cuts are prefixes.
#include "engine/text.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr wchar_t GUARD = L'#';

// A buffer with guard units behind its capacity.
struct Guarded {
    wchar_t units[64];
    explicit Guarded(const wchar_t* start = L"") {
        for (wchar_t& unit : units) {
            unit = GUARD;
        }
        int i = 0;
        for (; start[i] != 0; ++i) {
            units[i] = start[i];
        }
        units[i] = 0;
    }
    bool guardsIntactFrom(int capacity) const {
        for (int i = capacity; i < 64; ++i) {
            if (units[i] != GUARD) {
                return false;
            }
        }
        return true;
    }
};

struct AppendCase {
    const wchar_t* start;
    int32_t capacity;
    const wchar_t* piece;
    const wchar_t* expected;
};

const AppendCase APPEND_CASES[] = {
    {L"", 10, L"abc", L"abc"},
    {L"ab", 10, L"cdef", L"abcdef"},
    {L"ab", 5, L"cdef", L"abcd"}, // cut, not dropped
    {L"abcd", 5, L"e", L"abcd"},  // full: unchanged
    {L"", 1, L"a", L""},
    {L"ab", 10, nullptr, L"ab"},
    {L"累积", 4, L"损失", L"累积损"},
};

TEST(Text, AppendBoundedCutsAtTheCapacity) {
    for (const AppendCase& c : APPEND_CASES) {
        Guarded buffer(c.start);
        appendBounded(buffer.units, c.capacity, c.piece);
        SCOPED_TRACE(testing::Message() << c.capacity);
        EXPECT_EQ(std::wstring(buffer.units), c.expected);
        EXPECT_TRUE(buffer.guardsIntactFrom(c.capacity));
    }
}

TEST(Text, CopyBoundedKeepsCapacityLessOne) {
    Guarded buffer(L"old");
    copyBounded(buffer.units, 4, L"abcdef");
    EXPECT_EQ(std::wstring(buffer.units), L"abc");
    EXPECT_TRUE(buffer.guardsIntactFrom(4));
    copyBounded(buffer.units, 4, nullptr);
    EXPECT_EQ(std::wstring(buffer.units), L"");
    Guarded untouched(L"x");
    copyBounded(untouched.units, 0, L"abc");
    EXPECT_EQ(untouched.units[0], L'x');
}

TEST(Text, TextLengthCountsUnits) {
    EXPECT_EQ(textLength(nullptr), 0);
    EXPECT_EQ(textLength(L""), 0);
    EXPECT_EQ(textLength(L"累积损失"), 4);
}

TEST(Text, FormatBoundedConvertsLikePrintf) {
    wchar_t text[128];
    formatBounded(text, countOf(text), L"%ls：%ls %ls\r\n", L"累积损失", L"750", L"ml");
    EXPECT_EQ(std::wstring(text), L"累积损失：750 ml\r\n");
    formatBounded(text, countOf(text), L"%d|%02d|%5d|%-3d|%c|%%|%s", -7, 3, 42, 1, L'班', "key");
    EXPECT_EQ(std::wstring(text), L"-7|03|   42|1  |班|%|key");
    formatBounded(text, countOf(text), L"%.0f %.2f %.6g %g %g", 2.5, 1.005, 15.0, 0.1, 1e6);
    EXPECT_EQ(std::wstring(text), L"2 1.00 15 0.1 1e+06");
    formatBounded(text, countOf(text), L"%04lld-%02lld-%02lld", 2024LL, 2LL, 27LL);
    EXPECT_EQ(std::wstring(text), L"2024-02-27");
    formatBounded(text, countOf(text), L"%lld %u %x %ls", -9223372036854775807LL - 1, 7u, 255u,
                  static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(std::wstring(text), L"-9223372036854775808 7 ff (null)");
    formatBounded(text, countOf(text), L"%.2ls|%4ls|%-4ls|", L"体重kg", L"ab", L"ab");
    EXPECT_EQ(std::wstring(text), L"体重|  ab|ab  |");
}

TEST(Text, FormatBoundedCutsEveryCapacityToAPrefix) {
    const std::wstring full = L"TOOL|21|Varnel|儿科 46.9";
    for (int32_t capacity = 1; capacity <= static_cast<int32_t>(full.size()) + 2; ++capacity) {
        Guarded buffer;
        formatBounded(buffer.units, capacity, L"TOOL|%d|%ls|%ls %.1f", 21, L"Varnel", L"儿科",
                      46.875);
        const std::wstring text = buffer.units;
        SCOPED_TRACE(capacity);
        EXPECT_EQ(text, full.substr(0, capacity - 1));
        EXPECT_TRUE(buffer.guardsIntactFrom(capacity));
    }
}

} // namespace
