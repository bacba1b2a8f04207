// pow, exp, log and log10 computed with plain double arithmetic: the nearest
// double to the true value, so that formulas give the same bits in the native
// build and the Windows exe.
#include "engine/portable_math.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

struct Case {
    double base;
    double exponent;
    double value;
};

const Case CASES[] = {
    {2, 10, 1024},
    {2, -1, 0.5},
    {10, 22, 1e22},
    {10, -5, 1e-5}, // MinGW's pow is three units off here
    {10, -1, 0.1},
    {10, 308, 1e308},
    {9, 0.5, 3},
    {2, 0.5, 1.4142135623730951},
    {64, 0.3333333333333333, 3.9999999999999996}, // cbrt(64): the exponent is not 1/3
    {7, 0.3333333333333333, 1.912931182772389},
    {1.0000001, 1e7, 2.7182816941320818}, // MinGW's pow is off in the tenth digit
    {1.1, 100, 13780.61233982238},
    {-2, 3, -8},
    {1.5, 64, 186140372879.47342}, // whole exponents go by repeated squaring
    {1.1, 10, 2.5937424601000023},
    {0.7, -13, 103.21087972715564},
    {-1.3, 31, -3405.994336744932},
    {0.683, 2, 0.4664890000000001},
    {3, 20, 3486784401},
    {-2, 63, -9223372036854775808.0},
    {0.5, -64, 18446744073709551616.0},
    {-2, 2, 4},
    {-0.5, -3, -8},
    {-1, -3, -1},
    {-1, 1.7976931348623157e308, 1},     // the largest double is an even integer
    {2, -1074, 4.9406564584124654e-324}, // the smallest subnormal
    {0.5, 1074, 4.9406564584124654e-324},
    {10, -323, 9.8813129168249309e-324},
    {2, 1024, INF},
    {0.5, -1024, INF},
    {-2, 1025, -INF},
    {2, -1080, 0},
    {1e300, 1e300, INF},
    {1.0000000000000002, 1e300, INF},
    {0.9999999999999999, 1e300, 0},
    {0, 0, 1},
    {0, -1, INF},
    {-0.0, -1, -INF},
    {-0.0, 2, 0},
    {1, INF, 1},
    {2, -INF, 0},
    {INF, -1, 0},
};

TEST(PortablePow, GivesTheNearestDoubleToEachCase) {
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << c.base << " ^ " << c.exponent);
        EXPECT_EQ(portablePow(c.base, c.exponent), c.value);
    }
}

TEST(PortablePow, KeepsTheSignOfAnOddPowerOfNegativeZero) {
    EXPECT_TRUE(std::signbit(portablePow(-0.0, 3)));
    EXPECT_FALSE(std::signbit(portablePow(-0.0, 2)));
}

TEST(PortablePow, NegativeBaseWithFractionalExponentIsNotANumber) {
    EXPECT_TRUE(std::isnan(portablePow(-8, 0.3333333333333333)));
    EXPECT_TRUE(std::isnan(portablePow(-1, 0.5)));
    EXPECT_TRUE(std::isnan(portablePow(std::nan(""), 2)));
}

// Square roots, squares and reciprocals are correctly rounded by IEEE 754
// itself, so a correctly rounded power must agree with them.
TEST(PortablePow, AgreesWithSquareRootSquareAndReciprocal) {
    for (double x : {0.1, 1.5, 2.0, 3.7, 15.0, 46.875, 1e-100, 7.5e200}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(portablePow(x, 0.5), std::sqrt(x));
        EXPECT_EQ(portablePow(x, 2), x * x);
        EXPECT_EQ(portablePow(x, -1), 1 / x);
        EXPECT_EQ(portablePow(x, 1), x);
    }
}

struct FunctionCase {
    double (*function)(double);
    double argument;
    double value;
};

const FunctionCase FUNCTION_CASES[] = {
    {portableExp, 0, 1},
    {portableExp, 1, 2.718281828459045},
    {portableExp, -1, 0.36787944117144233},
    {portableExp, 3.468438555951103, 32.086601875545888}, // glibc's exp is one unit off
    {portableExp, -745, 4.9406564584124654e-324},
    {portableExp, -746, 0},
    {portableExp, 710, INF},
    {portableExp, -INF, 0},
    {portableLog, 1, 0},
    {portableLog, 2, 0.6931471805599453},
    {portableLog, 10, 2.302585092994046},
    {portableLog, 1e-300, -690.7755278982137},
    {portableLog, 0, -INF},
    {portableLog, INF, INF},
    {portableLog10, 100, 2},
    {portableLog10, 1000, 3},
    {portableLog10, 1e22, 22},
    {portableLog10, 1e-5, -5},
    {portableLog10, 2, 0.3010299956639812},
    {portableLog10, 3, 0.47712125471966244},
};

TEST(PortableMath, ExpAndLogGiveTheNearestDoubleToEachCase) {
    for (const FunctionCase& c : FUNCTION_CASES) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(c.function(c.argument), c.value);
    }
    EXPECT_TRUE(std::isnan(portableExp(std::nan(""))));
    EXPECT_TRUE(std::isnan(portableLog(-1)));
    EXPECT_TRUE(std::isnan(portableLog10(-1)));
}

} // namespace
