// Fuzzes the portable pow, exp, log and log10 with arbitrary doubles against
// the native C library (glibc), whose pow, exp and log are within one unit in
// the last place of the true value and log10 within two. Properties: every
// result is that close to the C library's (infinity counting as one step past
// the largest double), NaN exactly where the C library gives NaN, and the
// same bits on a second call.
#include "engine/portable_math.h"
#include "tests/fuzz/fuzz_support.h"

#include <cmath>
#include <cstring>

namespace {

double take(const uint8_t*& data, size_t& size) {
    unsigned char bytes[sizeof(double)] = {};
    const size_t n = size < sizeof bytes ? size : sizeof bytes;
    std::memcpy(bytes, data, n);
    data += n;
    size -= n;
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Doubles in order as integers: adjacent doubles differ by 1, both zeros are
// 0 and infinity follows the largest double.
int64_t ordered(double value) {
    int64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits < 0 ? -(bits & INT64_MAX) : bits;
}

void checkClose(const char* what, double argument, double portable, double reference,
                int64_t units = 1) {
    if (std::isnan(reference) != std::isnan(portable)) {
        std::fprintf(stderr, "%s(%a): portable %a, C library %a\n", what, argument, portable,
                     reference);
    }
    if (std::isnan(reference)) {
        FUZZ_CHECK(std::isnan(portable));
        return;
    }
    FUZZ_CHECK(!std::isnan(portable));
    const int64_t a = ordered(portable);
    const int64_t b = ordered(reference);
    if ((a > b ? a - b : b - a) > units) {
        std::fprintf(stderr, "%s(%a): portable %a, C library %a\n", what, argument, portable,
                     reference);
    }
    FUZZ_CHECK((a > b ? a - b : b - a) <= units);
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const double x = take(data, size);
    const double y = take(data, size);
    // Arguments from the whole range are mostly huge or tiny; a third one
    // scales x into the range where results are ordinary numbers.
    const double scale = take(data, size);
    const bool ordinary = std::isfinite(x) && x != 0 && std::isfinite(scale);
    const double near =
        ordinary ? std::ldexp(x, -std::ilogb(x)) * std::fmod(std::fabs(scale), 64.0) : x;

    for (double base : {x, near}) {
        checkClose("pow", base, portablePow(base, y), std::pow(base, y));
        checkClose("exp", base, portableExp(base), std::exp(base));
        checkClose("log", base, portableLog(base), std::log(base));
        checkClose("log10", base, portableLog10(base), std::log10(base), 2);
        FUZZ_CHECK(sameBits(portablePow(base, y), portablePow(base, y)));
    }
    const double smallExponent = std::isfinite(y) ? std::fmod(y, 40.0) : y;
    checkClose("pow", near, portablePow(near, smallExponent), std::pow(near, smallExponent));
    checkClose("pow", x, portablePow(x, smallExponent), std::pow(x, smallExponent));
    return 0;
}
