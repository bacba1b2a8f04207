// Fuzzes evaluateTool and generateReport with generated tool definitions:
// report kinds, keys, labels, formulas, format codes, rules, input values
// (NaN, infinities and huge numbers included) and buffer capacities.
// Properties: nothing is written past a capacity (guard units on both sides),
// every text is terminated inside its buffer, the verdict is always set and
// the level is always one the definition or the report allows.
#include "engine/report.h"
#include "engine/tool.h"
#include "tests/fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <deque>
#include <limits>
#include <string>

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

// Keys that the report generators and typical formulas read.
const char* const KEYS[] = {"w",      "pct",   "nurses", "days",    "start", "interval", "times",
                            "kind",   "drugA", "drugB",  "gap",     "beds",  "bed",      "dose",
                            "volume", "gtt",   "panel",  "deficit", "x",     "min",      ""};

const char* const FORMULAS[] = {
    "w*pct*10",
    "w<=10?100*w:w<=20?1000+50*(w-10):1500+20*(w-20)",
    "1/0+5",
    "pow(-8,1/3)",
    "deficit",
    "x+1",
    "1e999",
    "exp(1000)",
    "max(pow(-1,0.5),3)",
    "pct>=10",
    "pct>=6",
    "1e300*1e300",
    "-0",
    "2.5",
    "46.875",
    "1e75",
    "-1e78",
    "9.3e18",
    "0x1p63",
    "round(-2.5)",
    "",
};

const char* const FORMATS[] = {"f0", "f1", "f2", "f3", "int", "pct", "date", "F0", ""};

const double SPECIAL_VALUES[] = {
    0.0,           -0.0,   1.0,    2.9,    -2.9,         15,           5,
    1e300,         -1e300, INF,    -INF,   std::nan(""), 2147483647.0, 2147483648.0,
    -2147483649.0, 5e10,   1e-320, 9.3e18, -9.3e18,      40,           31,
};

// Owns the texts that a generated definition points to.
struct Storage {
    std::deque<std::string> narrow;
    std::deque<std::wstring> wide;

    const char* keep(std::string text) { return narrow.emplace_back(std::move(text)).c_str(); }
    const wchar_t* keep(std::wstring text) { return wide.emplace_back(std::move(text)).c_str(); }
};

template <typename T, size_t N> T pick(FuzzedDataProvider& fdp, const T (&items)[N]) {
    return items[fdp.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// A one-line user text of up to 300 units from the whole 16-bit range, never
// a line break (labels, units and verdicts are single lines) nor the guard.
const wchar_t* wideText(FuzzedDataProvider& fdp, Storage& storage) {
    const size_t length = fdp.ConsumeIntegralInRange<size_t>(0, 300);
    std::wstring text;
    for (size_t i = 0; i < length && fdp.remaining_bytes() > 0; ++i) {
        wchar_t unit = static_cast<wchar_t>(fdp.ConsumeIntegralInRange<uint16_t>(1, 0xFFFF));
        if (unit == GUARD_UNIT || unit == L'\r' || unit == L'\n') {
            unit = L'?';
        }
        text += unit;
    }
    return storage.keep(std::move(text));
}

const wchar_t* optionalWideText(FuzzedDataProvider& fdp, Storage& storage) {
    return fdp.ConsumeBool() ? nullptr : wideText(fdp, storage);
}

const char* asciiText(FuzzedDataProvider& fdp, Storage& storage, const char* const* vocabulary,
                      size_t vocabularySize) {
    switch (fdp.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return vocabulary[fdp.ConsumeIntegralInRange<size_t>(0, vocabularySize - 1)];
    case 1:
        return storage.keep(fdp.ConsumeRandomLengthString(80));
    default: {
        std::string text = vocabulary[fdp.ConsumeIntegralInRange<size_t>(0, vocabularySize - 1)];
        text += fdp.ConsumeRandomLengthString(20);
        return storage.keep(std::move(text));
    }
    }
}

double value(FuzzedDataProvider& fdp) {
    return fdp.ConsumeBool() ? pick(fdp, SPECIAL_VALUES) : fdp.ConsumeFloatingPoint<double>();
}

void checkText(const GuardedText& text, bool mustBeSet) {
    FUZZ_CHECK(text.guardsIntact());
    const int32_t length = text.terminatedLength();
    FUZZ_CHECK(length >= 0);
    FUZZ_CHECK(!mustBeSet || length > 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    Storage storage;

    ReportKind kind = FormulaTool;
    if (fdp.ConsumeBool()) {
        kind = static_cast<ReportKind>(fdp.ConsumeBool() ? fdp.ConsumeIntegral<int32_t>()
                                                         : fdp.ConsumeIntegralInRange(-1, 12));
    }

    InputField inputs[MAX_TOOL_INPUTS] = {};
    double inputValues[MAX_TOOL_INPUTS] = {};
    const int32_t inputCount = fdp.ConsumeIntegralInRange<int32_t>(0, MAX_TOOL_INPUTS);
    for (int32_t i = 0; i < inputCount; ++i) {
        inputs[i] = {asciiText(fdp, storage, KEYS, std::size(KEYS)), wideText(fdp, storage),
                     optionalWideText(fdp, storage), value(fdp)};
        inputValues[i] = value(fdp);
    }
    OutputField outputs[MAX_TOOL_OUTPUTS] = {};
    const int32_t outputCount = fdp.ConsumeIntegralInRange<int32_t>(0, MAX_TOOL_OUTPUTS);
    for (int32_t j = 0; j < outputCount; ++j) {
        outputs[j] = {
            asciiText(fdp, storage, KEYS, std::size(KEYS)), wideText(fdp, storage),
            optionalWideText(fdp, storage),
            fdp.ConsumeBool() ? asciiText(fdp, storage, FORMULAS, std::size(FORMULAS)) : nullptr,
            fdp.ConsumeBool() ? asciiText(fdp, storage, FORMATS, std::size(FORMATS)) : nullptr};
    }
    constexpr int32_t MAX_RULES = 8;
    VerdictRule rules[MAX_RULES] = {};
    const int32_t ruleCount = fdp.ConsumeIntegralInRange<int32_t>(0, MAX_RULES);
    for (int32_t i = 0; i < ruleCount; ++i) {
        rules[i] = {asciiText(fdp, storage, FORMULAS, std::size(FORMULAS)),
                    fdp.ConsumeIntegral<int32_t>(), wideText(fdp, storage)};
    }
    const ToolDefinition tool = {fdp.ConsumeIntegral<int32_t>(),
                                 L"工具",
                                 nullptr,
                                 L"类别",
                                 L"参考",
                                 nullptr,
                                 inputCount,
                                 inputs,
                                 outputCount,
                                 outputs,
                                 ruleCount,
                                 rules,
                                 kind};

    // Capacities from a single unit up to the self-test's 8192 and beyond.
    GuardedText result(fdp.ConsumeIntegralInRange<int32_t>(1, 9000));
    GuardedText verdict(fdp.ConsumeIntegralInRange<int32_t>(1, 600));
    GuardedText copy(fdp.ConsumeIntegralInRange<int32_t>(1, 9000));
    int32_t level = INT32_MIN + 7;
    const SeverityLevel returned =
        evaluateTool(tool, inputValues, result.text(), result.capacity, verdict.text(),
                     verdict.capacity, &level, copy.text(), copy.capacity);
    checkText(result, false);
    checkText(verdict, verdict.capacity >= 2);
    checkText(copy, false);
    FUZZ_CHECK(level == returned);

    // The copy is the result text, cut to its own capacity.
    const std::wstring resultText(result.text());
    const std::wstring copyText(copy.text());
    FUZZ_CHECK(copyText == resultText.substr(0, static_cast<size_t>(copy.capacity - 1)));

    if (kind == FormulaTool) {
        bool fromRule = level == 0;
        for (int32_t i = 0; i < ruleCount; ++i) {
            fromRule = fromRule || rules[i].level == level;
        }
        FUZZ_CHECK(fromRule);
        // One line per output and at most one warning line.
        size_t lineBreaks = 0;
        for (size_t at = resultText.find(L"\r\n"); at != std::wstring::npos;
             at = resultText.find(L"\r\n", at + 1)) {
            ++lineBreaks;
        }
        FUZZ_CHECK(lineBreaks <= static_cast<size_t>(outputCount) + 1);
    } else {
        FUZZ_CHECK(level >= 0 && level <= 3);
        FUZZ_CHECK(level == 0 || kind == DrugCompatibility);
    }

    // The dispatcher alone, with its own capacities, as small as one unit.
    GuardedText report(fdp.ConsumeIntegralInRange<int32_t>(1, 600));
    GuardedText reportVerdict(fdp.ConsumeIntegralInRange<int32_t>(1, 40));
    const SeverityLevel reportLevel = generateReport(
        static_cast<ReportKind>(fdp.ConsumeIntegralInRange(-1, 12)), tool, inputValues,
        report.text(), report.capacity, reportVerdict.text(), reportVerdict.capacity);
    checkText(report, false);
    checkText(reportVerdict, reportVerdict.capacity >= 2);
    FUZZ_CHECK(reportLevel >= 0 && reportLevel <= 3);
    return 0;
}
