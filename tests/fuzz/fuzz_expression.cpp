// Fuzzes the formula evaluator with arbitrary text over a small fixed tool.
// Properties: the flag is 0 or 1; a success has a finite value and read the
// whole text; the result is deterministic; deep nesting fails cleanly.
#include "engine/expression.h"
#include "tests/fuzz/fuzz_support.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

// "min" is an input named like a function: read as a value without "(".
const InputField INPUTS[] = {{"w", L"w", nullptr, 15},
                             {"pct", L"pct", nullptr, 5},
                             {"min", L"min", nullptr, -0.0},
                             {"big", L"big", nullptr, 1e300}};
const OutputField OUTPUTS[] = {{"deficit", L"d", nullptr, "w*pct*10", "f0"},
                               {"nan", L"n", nullptr, "0", "f0"},
                               {"inf", L"i", nullptr, "0", "f0"},
                               {"tiny", L"t", nullptr, "0", "f0"}};
const ToolDefinition TOOL = {1,      L"t", nullptr, L"c", L"r",    nullptr,    4,
                             INPUTS, 4,    OUTPUTS, 0,    nullptr, FormulaTool};
const double INPUT_VALUES[] = {15, 5, -0.0, 1e300};
const double OUTPUT_VALUES[] = {750, NAN_VALUE, INF, 5e-324};

// Deeper than the evaluator's nesting bound of 100 levels.
constexpr int DEEP = 150;

struct Outcome {
    double value;
    int32_t failed;
};

Outcome evaluate(const std::string& text) {
    int32_t failed = -1;
    const double value =
        evaluateExpression(TOOL, text.c_str(), INPUT_VALUES, OUTPUT_VALUES, &failed);
    FUZZ_CHECK(failed == 0 || failed == 1);
    FUZZ_CHECK(failed == 1 || std::isfinite(value));
    return {value, failed};
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string repeated(const char* piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The formula ends at its first zero byte, as a C text would.
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string text(bytes, strnlen(bytes, size));

    const Outcome outcome = evaluate(text);
    const Outcome again = evaluate(text);
    FUZZ_CHECK(sameBits(outcome.value, again.value) && outcome.failed == again.failed);

    if (outcome.failed == 0) {
        // A success read everything: trailing whitespace changes nothing,
        // and any token after it is left over.
        const Outcome spaced = evaluate(text + " \t\r\n");
        FUZZ_CHECK(spaced.failed == 0 && sameBits(spaced.value, outcome.value));
        FUZZ_CHECK(evaluate(text + ")").failed == 1);
        FUZZ_CHECK(evaluate(text + " @").failed == 1);
    }

    // Too deep nesting fails instead of exhausting the stack, whatever the
    // text inside.
    static const char* const OPENERS[] = {"(", "-", "!", "2^", "1?1:", "abs("};
    const char* opener = OPENERS[size % (sizeof OPENERS / sizeof OPENERS[0])];
    std::string deep = repeated(opener, DEEP) + (text.empty() ? std::string("1") : text);
    if (opener[0] == '(' || opener[0] == 'a') {
        deep += repeated(")", DEEP);
    }
    FUZZ_CHECK(evaluate(deep).failed == 1);
    return 0;
}
