// Fuzzes formatValue and civilFromDays with arbitrary doubles, 64-bit day
// numbers and format codes. Properties: within every capacity from 1 to 128
// the text is terminated and nothing past the capacity is written; a smaller
// capacity gives a prefix of the larger one's text; 128 units hold the whole
// text; printed numbers read back to the value within their rounding, and
// dates read back to their day number.
#include "engine/tool.h"
#include "tests/fuzz/fuzz_support.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr int32_t MAX_CAPACITY = 128;
constexpr int32_t WIDE_CAPACITY = 512;

// Reads a double or a 64-bit integer from the fuzz data, zero-padded.
template <typename T> T take(const uint8_t*& data, size_t& size) {
    unsigned char bytes[sizeof(T)] = {};
    const size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(bytes, data, n);
    data += n;
    size -= n;
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Writes with every capacity from 1 to 128 and checks each against the
// widest writing. write(buffer, capacity) is the operation under test.
template <typename Write> std::wstring checkCapacities(Write write) {
    GuardedText wide(WIDE_CAPACITY);
    write(wide.text(), wide.capacity);
    FUZZ_CHECK(wide.guardsIntact());
    const int32_t fullLength = wide.terminatedLength();
    FUZZ_CHECK(fullLength >= 0 && fullLength < MAX_CAPACITY);
    const std::wstring full(wide.text(), static_cast<size_t>(fullLength));

    for (int32_t capacity = 1; capacity <= MAX_CAPACITY; ++capacity) {
        GuardedText buffer(capacity);
        write(buffer.text(), capacity);
        FUZZ_CHECK(buffer.guardsIntact());
        const int32_t length = buffer.terminatedLength();
        const int32_t expected = fullLength < capacity - 1 ? fullLength : capacity - 1;
        FUZZ_CHECK(length == expected);
        FUZZ_CHECK(full.compare(0, static_cast<size_t>(length), buffer.text(),
                                static_cast<size_t>(length)) == 0);
    }
    // A capacity below 1 writes nothing at all.
    GuardedText none(0);
    write(none.text(), 0);
    FUZZ_CHECK(none.guardsIntact());
    return full;
}

std::string narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t unit : text) {
        FUZZ_CHECK(unit > 0 && unit < 0x80);
        result += static_cast<char>(unit);
    }
    return result;
}

// "YYYY-MM-DD" with a sign and more year digits where needed, read back to
// its day number; false when the year leaves the 32-bit range.
bool readDate(const std::wstring& text, int64_t* dayNumber) {
    const std::string date = narrow(text);
    long long year = 0;
    int month = 0;
    int day = 0;
    int consumed = 0;
    FUZZ_CHECK(std::sscanf(date.c_str(), "%lld-%2d-%2d%n", &year, &month, &day, &consumed) == 3);
    FUZZ_CHECK(consumed == static_cast<int>(date.size()));
    FUZZ_CHECK(date.size() >= 10 && date[date.size() - 3] == '-' && date[date.size() - 6] == '-');
    FUZZ_CHECK(month >= 1 && month <= 12 && day >= 1 && day <= 31);
    if (year < INT32_MIN || year > INT32_MAX) {
        return false;
    }
    *dayNumber = daysFromCivil(static_cast<int32_t>(year), month, day);
    return true;
}

bool sameCode(const char* code, const char* known) {
    return code && std::strcmp(code, known) == 0;
}

// Decimals printed by a printf code; unknown and null codes print two.
int decimalsOf(const char* code) {
    if (sameCode(code, "f0") || sameCode(code, "int")) {
        return 0;
    }
    if (sameCode(code, "f1") || sameCode(code, "pct")) {
        return 1;
    }
    if (sameCode(code, "f3")) {
        return 3;
    }
    return 2;
}

void checkNumberText(const char* code, double value, const std::wstring& text) {
    if (text == L"--") {
        // Only numbers of 74 integer digits and more are too long to print.
        FUZZ_CHECK(std::fabs(value) >= 1e74);
        return;
    }
    std::string number = narrow(text);
    if (sameCode(code, "pct")) {
        FUZZ_CHECK(!number.empty() && number.back() == '%');
        number.pop_back();
    }
    const int decimals = decimalsOf(code);
    const size_t point = number.find('.');
    FUZZ_CHECK(decimals == 0 ? point == std::string::npos
                             : point != std::string::npos &&
                                   number.size() - point - 1 == static_cast<size_t>(decimals));
    char* end = nullptr;
    const double back = std::strtod(number.c_str(), &end);
    FUZZ_CHECK(end != nullptr && *end == 0);
    // Rounded to nearest at the last decimal; reading back adds one rounding.
    const double halfStep = 0.5 * std::pow(10.0, -decimals);
    FUZZ_CHECK(std::fabs(back - value) <= halfStep * (1 + 1e-9) + std::fabs(value) * 1e-15);
    // A value that rounds to zero keeps its sign.
    FUZZ_CHECK(std::signbit(back) == std::signbit(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const double value = take<double>(data, size);
    const int64_t dayNumber = take<int64_t>(data, size);
    const uint8_t selector = take<uint8_t>(data, size);
    const std::string codeText(reinterpret_cast<const char*>(data),
                               strnlen(reinterpret_cast<const char*>(data), size));
    // The low bit picks a null code, which reads as f2.
    const char* code = (selector & 1) ? nullptr : codeText.c_str();

    const std::wstring text = checkCapacities(
        [&](wchar_t* buffer, int32_t capacity) { formatValue(code, value, buffer, capacity); });
    if (!std::isfinite(value)) {
        FUZZ_CHECK(text == L"--");
    } else if (sameCode(code, "date")) {
        if (value > -9.2e18 && value < 9.2e18) {
            int64_t back = 0;
            if (readDate(text, &back)) {
                FUZZ_CHECK(back == static_cast<int64_t>(value));
            }
        } else if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) {
            FUZZ_CHECK(text == L"--");
        }
    } else {
        checkNumberText(code, value, text);
    }

    // The follow-up plan gives civilFromDays 32 units: every date fits them.
    const std::wstring date = checkCapacities(
        [&](wchar_t* buffer, int32_t capacity) { civilFromDays(dayNumber, buffer, capacity); });
    FUZZ_CHECK(date.size() <= 31);
    int64_t back = 0;
    if (readDate(date, &back)) {
        FUZZ_CHECK(back == dayNumber);
    }
    return 0;
}
