// The formula language, case by case, with w = 15 and pct = 5.
#include "engine/expression.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

const InputField INPUTS[] = {{"w", L"体重", L"kg", 15}, {"pct", L"脱水程度", L"%", 5}};
const OutputField OUTPUTS[] = {{"deficit", L"累积损失", L"ml", "w*pct*10", "f0"}};
const ToolDefinition TOOL = {1,      L"t", nullptr, L"c", L"r",    nullptr,    2,
                             INPUTS, 1,    OUTPUTS, 0,    nullptr, FormulaTool};
const double INPUT_VALUES[] = {15, 5};
const double OUTPUT_VALUES[] = {0};

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

struct Case {
    const char* expression;
    double value;
    int fails;
};

const Case CASES[] = {
    {"1+2*3", 7, 0},
    {"10-4-3", 3, 0},
    {"2^3^2", 512, 0},
    {"-2^2", 4, 0}, // the prefix binds tighter than "^"
    {"-(2^2)", -4, 0},
    {"2^-1", 0.5, 0},
    {"2*-3", -6, 0},
    {"2--3", 5, 0},
    {"++2", 2, 0},
    {"!0", 1, 0},
    {"!5", 0, 0},
    {"!-0", 1, 0},
    {"2*3%4", 2, 0},
    {"-7%3", -1, 0},
    {"7%-3", 1, 0},
    {"7.5%2", 1.5, 0},
    {"1e3", 1000, 0},
    {".5", 0.5, 0},
    {"5.", 5, 0},
    {"0x10", 16, 0},
    {"0x1p4", 16, 0},
    {"2.5E-2", 0.025, 0},
    {"(1<2)<3", 1, 0},
    {"1<2<3", 1, 1}, // only one comparison per level
    {"1 && 0", 0, 0},
    {"0 || 2", 1, 0},
    {"2 && 3", 1, 0},
    {"w>10 ? 1 : 2", 1, 0},
    {"0 ? 1 : 0 ? 2 : 3", 3, 0},
    {"1 ? 2 : 1/0", 2, 1}, // both branches are evaluated
    {"1 || 1/0", 1, 1},    // no short-circuit
    {"1 ? 2", 2, 1},
    {"pct*w", 75, 0},
    {"W", 0, 1},
    {"sqrt (16)", 4, 0},
    {"sqrt(-1)", 0, 1},
    {"log(0)", 0, 1},
    {"log(1)", 0, 0},
    {"log10(100)", 2, 0},
    {"log10(-1)", 0, 1},
    {"exp(0)", 1, 0},
    {"round(2.5)", 3, 0},
    {"round(-2.5)", -2, 0},
    {"floor(-1.5)", -2, 0},
    {"ceil(1.2)", 2, 0},
    {"abs(-3)", 3, 0},
    {"sign(-0.5)", -1, 0},
    {"sign(0)", 0, 0},
    {"sign(7)", 1, 0},
    {"cbrt(64)", 3.9999999999999996, 0}, // a power, not a true cube root
    {"cbrt(-27)", -3, 0},
    {"min(2,3)", 2, 0},
    {"max(2,3)", 3, 0},
    {"pow(2,10)", 1024, 0},
    {"mod(7,3)", 1, 0},
    {"mod(7,0)", 0, 1},
    {"7%0", 0, 1},
    {"1/0", 0, 1},
    {"1/-0", 0, 1},
    {"1/0+5", 5, 1},
    {"2*1/0*3", 0, 1}, // the whole chain of factors is dropped
    {"min(1)", 0, 1},
    {"sqrt(4,5)", 0, 1},
    {"max(1,2,3)", 2, 1},
    {"foo", 0, 1},
    {"foo(1)", 0, 1},
    {"f()", 0, 1},
    {"w(2)", 0, 1}, // a call of a function named w
    {"x+1", 1, 1},
    {"", 0, 1},
    {"   ", 0, 1},
    {"2 3", 2, 1},
    {"2w", 2, 1},
    {"2e", 2, 1},
    {"1.2.3", 1.2, 1},
    {".", 0, 1},
    {".e5", 0, 1},
    {"(1+2", 3, 1},
    {"2**3", 2, 1},
    {"1 = 1", 1, 1},
    {"1 | 1", 1, 1},
    {"1 & 1", 1, 1},
    {"1 < = 2", 0, 1}, // no blank inside an operator
    {"2+", 2, 1},
    {"*3", 0, 1},
    {"()", 0, 1},
    {"1e999", INF, 1},
    {"exp(1000)", INF, 1},
    {"-1e999", -INF, 1},
    {"pow(-8,1/3)", NAN_VALUE, 1},
    {"max(pow(-1,0.5),3)", 3, 0},
    {"min(pow(-1,0.5),3)", 3, 0},
    {"min(3,pow(-1,0.5))", NAN_VALUE, 1},
    {"max(3,pow(-1,0.5))", NAN_VALUE, 1},
    {"!pow(-1,0.5)", 0, 0},
    {"pow(-1,0.5) != 0", 1, 0},
    {"pow(-1,0.5) == pow(-1,0.5)", 0, 0},
    {"pow(-1,0.5) < 1", 0, 0},
    {"pow(-1,0.5) ? 1 : 2", 1, 0},
    {"deficit", 0, 0},
    {"1\t+ 2\r\n", 3, 0},
    {"1\v+2", 1, 1}, // vertical tab is no whitespace
    {"1\f+2", 1, 1},
    {"abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcd", 0, 1},
    {"w<=10?100*w:w<=20?1000+50*(w-10):1500+20*(w-20)", 1250, 0},
    {"1 ? 2 3", 2, 1},
    {"0 ? 1 2", 2, 1}, // missing ":": the second branch is read from there
};

TEST(Expression, EvaluatesEachCaseToItsValueAndFlag) {
    for (const Case& c : CASES) {
        int32_t failed = -1;
        const double value =
            evaluateExpression(TOOL, c.expression, INPUT_VALUES, OUTPUT_VALUES, &failed);
        SCOPED_TRACE(c.expression);
        EXPECT_EQ(failed, c.fails);
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(value));
        } else {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(Expression, NegationOfZeroIsNegativeZero) {
    int32_t failed = -1;
    const double value = evaluateExpression(TOOL, "-0", INPUT_VALUES, OUTPUT_VALUES, &failed);
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(std::signbit(value));
}

TEST(Expression, NullExpressionFails) {
    int32_t failed = -1;
    EXPECT_EQ(evaluateExpression(TOOL, nullptr, INPUT_VALUES, OUTPUT_VALUES, &failed), 0.0);
    EXPECT_EQ(failed, 1);
}

TEST(Expression, OutputNamesReadTheGivenOutputValues) {
    const double outputs[] = {750};
    int32_t failed = -1;
    EXPECT_EQ(evaluateExpression(TOOL, "deficit/2", INPUT_VALUES, outputs, &failed), 375.0);
    EXPECT_EQ(failed, 0);
}

TEST(Expression, FirstInputWinsOverOutputAndLaterInputWithTheSameKey) {
    const InputField inputs[] = {{"a", L"A", nullptr, 0}, {"a", L"B", nullptr, 0}};
    const OutputField outputs[] = {{"a", L"C", nullptr, "1", nullptr},
                                   {"b", L"D", nullptr, "1", nullptr}};
    const ToolDefinition tool = {1,      L"t", nullptr, L"c", L"r",    nullptr,    2,
                                 inputs, 2,    outputs, 0,    nullptr, FormulaTool};
    const double inputValues[] = {3, 4};
    const double outputValues[] = {5, 6};
    int32_t failed = -1;
    EXPECT_EQ(evaluateExpression(tool, "a*10+b", inputValues, outputValues, &failed), 36.0);
    EXPECT_EQ(failed, 0);
}

TEST(Expression, InputNamedLikeAFunctionIsReadAsAValue) {
    const InputField inputs[] = {{"min", L"A", nullptr, 0}};
    const ToolDefinition tool = {1,      L"t", nullptr, L"c", L"r",    nullptr,    1,
                                 inputs, 0,    nullptr, 0,    nullptr, FormulaTool};
    const double inputValues[] = {7};
    int32_t failed = -1;
    EXPECT_EQ(evaluateExpression(tool, "min + min(1,2)", inputValues, nullptr, &failed), 8.0);
    EXPECT_EQ(failed, 0);
}

// Thousands of nested levels must fail cleanly instead of exhausting the
// stack; moderate nesting still works.
TEST(Expression, DeepNestingFailsWithoutCrashing) {
    constexpr int DEEP = 100000;
    const std::string opener[] = {"(", "-", "!", "2^", "1?"};
    for (const std::string& open : opener) {
        std::string text;
        for (int i = 0; i < DEEP; ++i) {
            text += open;
        }
        text += "1";
        if (open == "(") {
            text += std::string(DEEP, ')');
        }
        if (open == "1?") {
            for (int i = 0; i < DEEP; ++i) {
                text += ":1";
            }
        }
        int32_t failed = -1;
        SCOPED_TRACE(open);
        evaluateExpression(TOOL, text.c_str(), INPUT_VALUES, OUTPUT_VALUES, &failed);
        EXPECT_EQ(failed, 1);
    }
    std::string fifty = std::string(50, '(') + "w" + std::string(50, ')');
    int32_t failed = -1;
    EXPECT_EQ(evaluateExpression(TOOL, fifty.c_str(), INPUT_VALUES, OUTPUT_VALUES, &failed), 15.0);
    EXPECT_EQ(failed, 0);
}

TEST(Expression, ManyPrefixPlusSignsAreSkippedWithoutNesting) {
    const std::string text = std::string(100000, '+') + "2";
    int32_t failed = -1;
    EXPECT_EQ(evaluateExpression(TOOL, text.c_str(), INPUT_VALUES, OUTPUT_VALUES, &failed), 2.0);
    EXPECT_EQ(failed, 0);
}

} // namespace
