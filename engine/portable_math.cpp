// log, exp and pow(x, y) = exp(y * log(x)) in double-double arithmetic
// (about 106 bits), rounded once at the end. Only additions, multiplications
// and divisions of doubles are used, which IEEE 754 makes identical on every
// build.
#include "engine/portable_math.h"

#include <cmath>

namespace {

// A value hi + lo with |lo| at most half a unit of hi's last place.
struct DoubleDouble {
    double hi;
    double lo;
};

// ln 2 and ln 10, each split into two doubles.
constexpr DoubleDouble LN2 = {0.6931471805599453, 2.3190468138462996e-17};
constexpr DoubleDouble LN10 = {2.302585092994046, -2.1707562233822494e-16};

// Beyond these, e^t overflows to infinity or underflows to zero.
constexpr double EXP_OVERFLOW = 710.0;
constexpr double EXP_UNDERFLOW = -746.0;

// log series: sum of s^(2n) / (2n + 1) for n up to this; |s| <= 0.172 makes
// the last term smaller than 2^-106.
constexpr int LOG_TERMS = 22;
// exp: the reduced argument is divided by 2^EXP_HALVINGS, its Taylor series
// summed to EXP_TERMS terms, and the result squared back.
constexpr int EXP_HALVINGS = 10;
constexpr int EXP_TERMS = 12;

// Dekker's splitting constant 2^27 + 1, and the bound above which a factor is
// scaled down first so that the splitting cannot overflow.
constexpr double SPLITTER = 134217729.0;
constexpr double SPLIT_LIMIT = 6.69692879491417e+299; // 2^996
constexpr double SPLIT_SCALE = 268435456.0;           // 2^28

DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DoubleDouble split(double a) {
    if (std::fabs(a) > SPLIT_LIMIT) {
        const DoubleDouble parts = split(a / SPLIT_SCALE);
        return {parts.hi * SPLIT_SCALE, parts.lo * SPLIT_SCALE};
    }
    const double c = SPLITTER * a;
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// The exact product a * b as hi + lo.
DoubleDouble twoProduct(double a, double b) {
    const double p = a * b;
    const DoubleDouble x = split(a);
    const DoubleDouble y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

DoubleDouble add(DoubleDouble x, DoubleDouble y) {
    DoubleDouble s = twoSum(x.hi, y.hi);
    const DoubleDouble t = twoSum(x.lo, y.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

DoubleDouble negate(DoubleDouble x) {
    return {-x.hi, -x.lo};
}

DoubleDouble multiply(DoubleDouble x, DoubleDouble y) {
    DoubleDouble p = twoProduct(x.hi, y.hi);
    p.lo += x.hi * y.lo + x.lo * y.hi;
    return quickTwoSum(p.hi, p.lo);
}

DoubleDouble multiply(DoubleDouble x, double d) {
    DoubleDouble p = twoProduct(x.hi, d);
    p.lo += x.lo * d;
    return quickTwoSum(p.hi, p.lo);
}

DoubleDouble divide(DoubleDouble x, DoubleDouble y) {
    const double q1 = x.hi / y.hi;
    DoubleDouble r = add(x, negate(multiply(y, q1)));
    const double q2 = r.hi / y.hi;
    r = add(r, negate(multiply(y, q2)));
    const double q3 = r.hi / y.hi;
    return add(quickTwoSum(q1, q2), {q3, 0.0});
}

// ln x for a finite x > 0: x = m * 2^k with m in [sqrt(1/2), sqrt(2)), and
// ln m = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...) with s = (m - 1) / (m + 1).
DoubleDouble logarithm(double x) {
    int k = 0;
    double m = std::frexp(x, &k);
    if (m < 0.7071067811865476) {
        m *= 2.0;
        --k;
    }
    // m - 1 is exact for m in [0.5, 2].
    const DoubleDouble s = divide({m - 1.0, 0.0}, twoSum(m, 1.0));
    const DoubleDouble s2 = multiply(s, s);
    DoubleDouble sum = divide({1.0, 0.0}, {2.0 * LOG_TERMS + 1.0, 0.0});
    for (int n = LOG_TERMS - 1; n >= 0; --n) {
        sum = add(multiply(sum, s2), divide({1.0, 0.0}, {2.0 * n + 1.0, 0.0}));
    }
    const DoubleDouble logM = multiply(multiply(s, sum), 2.0);
    return add(multiply(LN2, static_cast<double>(k)), logM);
}

// e^t for EXP_UNDERFLOW <= t <= EXP_OVERFLOW: t = n ln 2 + r with |r| <= ln 2 / 2,
// e^r from the Taylor series of e^(r / 2^10) - 1, squared back ten times in
// the form (1 + u)^2 = 1 + (2u + u^2) to keep the small part exact.
double exponential(DoubleDouble t) {
    const double n = std::floor(t.hi / LN2.hi + 0.5);
    const DoubleDouble r = add(t, negate(multiply(LN2, n)));
    const double scale = std::ldexp(1.0, -EXP_HALVINGS);
    const DoubleDouble small = {r.hi * scale, r.lo * scale};
    DoubleDouble series = {1.0, 0.0};
    for (int i = EXP_TERMS; i >= 2; --i) {
        series = add({1.0, 0.0}, divide(multiply(series, small), {static_cast<double>(i), 0.0}));
    }
    DoubleDouble u = multiply(series, small);
    for (int i = 0; i < EXP_HALVINGS; ++i) {
        u = add(multiply(u, 2.0), multiply(u, u));
    }
    const DoubleDouble e = add({1.0, 0.0}, u);
    const double value = e.hi + e.lo;
    // 2^n in at most two exact steps, so that only the last one rounds.
    const int exponent = static_cast<int>(n);
    if (exponent > 1023) {
        return value * std::ldexp(1.0, 1023) * std::ldexp(1.0, exponent - 1023);
    }
    if (exponent < -1022) {
        return value * std::ldexp(1.0, -1022) * std::ldexp(1.0, exponent + 1022);
    }
    return value * std::ldexp(1.0, exponent);
}

bool isInteger(double y) {
    return std::floor(y) == y;
}

// Whole exponents up to this size (squares, cubes and the like in clinical
// formulas) are computed by repeated squaring in double-double: as exact as
// the general path and many times cheaper than exp(y ln x).
constexpr double MAX_SQUARING_EXPONENT = 64.0;
// ...provided every intermediate power stays far from overflow and underflow:
// the binary exponent of the base times the exponent stays below this.
constexpr double MAX_SQUARING_SCALE = 900.0;

bool fitsSquaring(double base, double exponent) {
    if (!isInteger(exponent) || std::fabs(exponent) > MAX_SQUARING_EXPONENT) {
        return false;
    }
    int binaryExponent = 0;
    std::frexp(base, &binaryExponent);
    return std::fabs(static_cast<double>(binaryExponent) * exponent) < MAX_SQUARING_SCALE;
}

// base^n for a whole n with |n| <= MAX_SQUARING_EXPONENT, rounded once.
double squaringPower(double base, double exponent) {
    auto n = static_cast<int>(std::fabs(exponent));
    DoubleDouble result = {1.0, 0.0};
    DoubleDouble factor = {base, 0.0};
    while (n > 0) {
        if ((n & 1) != 0) {
            result = multiply(result, factor);
        }
        n >>= 1;
        if (n > 0) {
            factor = multiply(factor, factor);
        }
    }
    if (exponent < 0) {
        result = divide({1.0, 0.0}, result);
    }
    return result.hi + result.lo;
}

} // namespace

double portablePow(double base, double exponent) {
    if (!std::isfinite(base) || !std::isfinite(exponent) || base == 0.0 || exponent == 0.0 ||
        base == 1.0 || (base < 0.0 && !isInteger(exponent))) {
        return std::pow(base, exponent);
    }
    // A negative base with an integer exponent: the sign follows the parity.
    const bool negative = base < 0.0 && std::fmod(exponent, 2.0) != 0.0;
    // ln 1 is 0, and 0 times an exponent near the largest double would go
    // through a splitting that overflows.
    if (base == -1.0) {
        return negative ? -1.0 : 1.0;
    }
    if (fitsSquaring(base, exponent)) {
        return squaringPower(base, exponent);
    }
    // The plain product decides overflow and underflow; near the limits the
    // final scaling rounds to infinity or zero by itself.
    const DoubleDouble logBase = logarithm(std::fabs(base));
    const double estimate = logBase.hi * exponent;
    double magnitude = 0.0;
    if (estimate > EXP_OVERFLOW) {
        magnitude = HUGE_VAL;
    } else if (estimate >= EXP_UNDERFLOW) {
        magnitude = exponential(multiply(logBase, exponent));
    }
    return negative ? -magnitude : magnitude;
}

double portableExp(double x) {
    if (std::isnan(x)) {
        return x;
    }
    if (x > EXP_OVERFLOW) {
        return HUGE_VAL;
    }
    if (x < EXP_UNDERFLOW) {
        return 0.0;
    }
    return exponential({x, 0.0});
}

double portableLog(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) {
        return std::log(x);
    }
    const DoubleDouble value = logarithm(x);
    return value.hi + value.lo;
}

double portableLog10(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) {
        return std::log10(x);
    }
    const DoubleDouble value = divide(logarithm(x), LN10);
    return value.hi + value.lo;
}
