// Evaluation of tool definitions: the built-in tool, failures, rules, cuts.
#include "engine/text.h"
#include "engine/tool.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

struct Evaluation {
    std::wstring result;
    std::wstring verdict;
    std::wstring copy;
    int32_t level;
    int32_t returned;
};

Evaluation evaluate(const ToolDefinition& tool, const double* values, int32_t resultCapacity = 4096,
                    int32_t copyCapacity = 8192) {
    static wchar_t result[8192];
    static wchar_t verdict[512];
    static wchar_t copy[8192];
    int32_t level = -99;
    const int32_t returned = evaluateTool(tool, values, result, resultCapacity, verdict,
                                          countOf(verdict), &level, copy, copyCapacity);
    return {result, verdict, copy, level, returned};
}

const wchar_t MILD[] = L"轻度脱水，可口服补液盐观察";
const wchar_t MODERATE[] = L"中度脱水，建议静脉补液并监测电解质";
const wchar_t SEVERE[] = L"重度脱水，先快速扩容 20ml/kg 并评估休克";
const wchar_t DEFAULT_VERDICT[] = L"请核对输入参数后重新计算";
const wchar_t PARTIAL[] = L"（部分结果无法计算，请检查输入是否合理）\r\n";

std::wstring builtInResult(const wchar_t* deficit, const wchar_t* first8, const wchar_t* rate,
                           const wchar_t* maint) {
    return std::wstring(L"累积损失：") + deficit + L" ml\r\n前 8 小时：" + first8 +
           L" ml\r\n前 8 小时速度：" + rate + L" ml/h\r\n每日维持量：" + maint + L" ml\r\n";
}

TEST(BuiltInTool, DefinitionTextsAreExact) {
    const ToolDefinition& tool = builtInTool();
    EXPECT_EQ(tool.id, 21);
    EXPECT_STREQ(tool.name, L"Varnel");
    EXPECT_STREQ(tool.subtitle, L"累积损失、维持量与首批补液");
    EXPECT_STREQ(tool.category, L"儿科");
    EXPECT_STREQ(tool.reference,
                 L"儿童脱水补液：1% 脱水≈10ml/kg，前 8 小时补半量，后 16 小时补余量");
    EXPECT_STREQ(tool.hint, L"先扩容后补累积；监测尿量、心率、毛细血管充盈时间。");
    EXPECT_EQ(tool.reportKind, 0);
    ASSERT_EQ(tool.inputCount, 2);
    EXPECT_STREQ(tool.inputs[0].key, "w");
    EXPECT_STREQ(tool.inputs[0].label, L"体重");
    EXPECT_STREQ(tool.inputs[0].unit, L"kg");
    EXPECT_EQ(tool.inputs[0].defaultValue, 15.0);
    EXPECT_STREQ(tool.inputs[1].key, "pct");
    EXPECT_STREQ(tool.inputs[1].label, L"脱水程度");
    EXPECT_STREQ(tool.inputs[1].unit, L"%");
    EXPECT_EQ(tool.inputs[1].defaultValue, 5.0);
    ASSERT_EQ(tool.outputCount, 4);
    const char* keys[] = {"deficit", "first8", "first8_rate", "maint"};
    const char* formats[] = {"f0", "f0", "f1", "f0"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(tool.outputs[i].key, keys[i]);
        EXPECT_STREQ(tool.outputs[i].format, formats[i]);
    }
    EXPECT_STREQ(tool.outputs[3].expression, "w<=10?100*w:w<=20?1000+50*(w-10):1500+20*(w-20)");
    ASSERT_EQ(tool.ruleCount, 3);
    EXPECT_STREQ(tool.rules[0].condition, "pct>=10");
    EXPECT_STREQ(tool.rules[1].condition, "pct>=6");
    EXPECT_STREQ(tool.rules[2].condition, "");
}

struct BuiltInCase {
    double w, pct;
    const wchar_t *deficit, *first8, *rate, *maint;
    const wchar_t* verdict;
    int32_t level;
};

const BuiltInCase BUILT_IN_CASES[] = {
    {15, 5, L"750", L"375", L"46.9", L"1250", MILD, 1}, // 46.875 rounds to 46.9
    {8, 12, L"960", L"480", L"60.0", L"800", SEVERE, 3},
    {25, 7, L"1750", L"875", L"109.4", L"1600", MODERATE, 2},
    {15, 10, L"1500", L"750", L"93.8", L"1250", SEVERE, 3}, // rule boundary
    {15, 6, L"900", L"450", L"56.2", L"1250", MODERATE, 2}, // rule boundary; 56.25 ties to even
    {12, 5.99, L"719", L"359", L"44.9", L"1100", MILD, 1},  // just below the rule boundary
    {10, 5, L"500", L"250", L"31.2", L"1000", MILD, 1},     // maint boundary; 31.25 ties to even
    {20, 5, L"1000", L"500", L"62.5", L"1500", MILD, 1},
    {20.5, 5, L"1025", L"512", L"64.1", L"1510", MILD, 1}, // 512.5 ties to even: 512
    {0, 0, L"0", L"0", L"0.0", L"0", MILD, 1},
};

TEST(BuiltInTool, EvaluatesResultLinesVerdictAndLevel) {
    for (const BuiltInCase& c : BUILT_IN_CASES) {
        const double values[] = {c.w, c.pct};
        const Evaluation e = evaluate(builtInTool(), values);
        SCOPED_TRACE(testing::Message() << "w=" << c.w << " pct=" << c.pct);
        EXPECT_EQ(e.result, builtInResult(c.deficit, c.first8, c.rate, c.maint));
        EXPECT_EQ(e.verdict, c.verdict);
        EXPECT_EQ(e.level, c.level);
        EXPECT_EQ(e.returned, c.level);
        EXPECT_EQ(e.copy, e.result);
    }
}

TEST(BuiltInTool, SmallResultBufferCutsInsideTheSecondLine) {
    const double values[] = {15, 5};
    const Evaluation e = evaluate(builtInTool(), values, 20);
    EXPECT_EQ(e.result, L"累积损失：750 ml\r\n前 8 小时");
    EXPECT_EQ(e.copy, e.result);
    EXPECT_EQ(e.verdict, MILD);
}

TEST(BuiltInTool, CopyIsCutToItsOwnCapacity) {
    const double values[] = {15, 5};
    const Evaluation e = evaluate(builtInTool(), values, 4096, 6);
    EXPECT_EQ(e.copy, L"累积损失：");
    EXPECT_EQ(e.result, builtInResult(L"750", L"375", L"46.9", L"1250"));
}

// A small definition to exercise the evaluation rules one at a time.
struct Fixture {
    InputField inputs[1] = {{"x", L"X", nullptr, 2}};
    OutputField outputs[3];
    VerdictRule rules[3];
    ToolDefinition tool = {9,      L"T", nullptr, L"C", L"R",  nullptr,    1,
                           inputs, 0,    outputs, 0,    rules, FormulaTool};
};

TEST(EvaluateTool, OutputsSeeEarlierOutputsAndZeroForTheRest) {
    Fixture f;
    f.outputs[0] = {"a", L"A", L"", "x*10+b+a", "f0"}; // b and a itself read 0
    f.outputs[1] = {"b", L"B", nullptr, "a+1", "f0"};
    f.outputs[2] = {"c", L"C", L"u", "a+b", nullptr};
    f.tool.outputCount = 3;
    const double values[] = {2};
    const Evaluation e = evaluate(f.tool, values);
    EXPECT_EQ(e.result, L"A：20\r\nB：21\r\nC：41.00 u\r\n");
    EXPECT_EQ(e.verdict, DEFAULT_VERDICT);
    EXPECT_EQ(e.level, 0);
}

TEST(EvaluateTool, FailedOutputsKeepTheirLineAndAddOneWarning) {
    Fixture f;
    f.outputs[0] = {"a", L"A", L"ml", "1/0+5", "f0"};
    f.outputs[1] = {"b", L"B", L"ml", "", "f0"};
    f.outputs[2] = {"c", L"C", L"ml", "1e999", "f1"};
    f.tool.outputCount = 3;
    const double values[] = {2};
    const Evaluation e = evaluate(f.tool, values);
    EXPECT_EQ(e.result, std::wstring(L"A：5 ml\r\nB：0 ml\r\nC：-- ml\r\n") + PARTIAL);
}

TEST(EvaluateTool, RulesDecideInOrderAndFailedConditionsAreSkipped) {
    Fixture f;
    f.rules[0] = {"nosuchname>0", 3, L"never"};
    f.rules[1] = {"x>1", 2, L"big"};
    f.rules[2] = {"", 1, L"always"};
    f.tool.ruleCount = 3;
    double values[] = {2};
    Evaluation e = evaluate(f.tool, values);
    EXPECT_EQ(e.verdict, L"big");
    EXPECT_EQ(e.level, 2);
    values[0] = 1;
    e = evaluate(f.tool, values);
    EXPECT_EQ(e.verdict, L"always");
    EXPECT_EQ(e.level, 1);
    EXPECT_EQ(e.result, L"");
}

TEST(EvaluateTool, ConditionsSeeAllComputedOutputs) {
    Fixture f;
    f.outputs[0] = {"a", L"A", nullptr, "x*3", "f0"};
    f.tool.outputCount = 1;
    f.rules[0] = {"a==6", 2, L"six"};
    f.tool.ruleCount = 1;
    const double values[] = {2};
    EXPECT_EQ(evaluate(f.tool, values).verdict, L"six");
}

TEST(EvaluateTool, EmptyVerdictOfTheDecidingRuleGivesTheDefaultAtItsLevel) {
    Fixture f;
    f.rules[0] = {"", 2, L""};
    f.tool.ruleCount = 1;
    const double values[] = {2};
    const Evaluation e = evaluate(f.tool, values);
    EXPECT_EQ(e.verdict, DEFAULT_VERDICT);
    EXPECT_EQ(e.level, 2);
}

TEST(EvaluateTool, EmptyDefinitionGivesEmptyResultAndDefaultVerdict) {
    Fixture f;
    const double values[] = {2};
    const Evaluation e = evaluate(f.tool, values);
    EXPECT_EQ(e.result, L"");
    EXPECT_EQ(e.copy, L"");
    EXPECT_EQ(e.verdict, DEFAULT_VERDICT);
    EXPECT_EQ(e.level, 0);
}

TEST(EvaluateTool, LongLineIsCutAt255UnitsAndLosesItsBreak) {
    Fixture f;
    static wchar_t label[400];
    for (int i = 0; i < 300; ++i) {
        label[i] = L'标';
    }
    label[300] = 0;
    f.outputs[0] = {"a", label, L"ml", "1", "f0"};
    f.outputs[1] = {"b", L"B", nullptr, "2", "f0"};
    f.tool.outputCount = 2;
    const double values[] = {2};
    const Evaluation e = evaluate(f.tool, values);
    EXPECT_EQ(e.result, std::wstring(255, L'标') + L"B：2\r\n");
}

TEST(EvaluateTool, FullResultDropsTheWarningLineAndLaterLines) {
    Fixture f;
    f.outputs[0] = {"a", L"A", nullptr, "1/0", "f0"};
    f.outputs[1] = {"b", L"B", nullptr, "2", "f0"};
    f.tool.outputCount = 2;
    const double values[] = {2};
    const Evaluation e = evaluate(f.tool, values, 6);
    EXPECT_EQ(e.result, L"A：0\r\n");
}

struct FormatCase {
    const char* code;
    double value;
    const wchar_t* text;
};

constexpr double INF = std::numeric_limits<double>::infinity();

const FormatCase FORMAT_CASES[] = {
    {"f0", 2.5, L"2"}, // exact ties go to the even digit
    {"f0", 3.5, L"4"},
    {"f0", -0.4, L"-0"}, // the sign survives rounding to zero
    {"f0", 1249.9999, L"1250"},
    {"f1", 46.875, L"46.9"},
    {"f1", 0.25, L"0.2"},
    {"f1", 0.35, L"0.3"}, // 0.35 is stored just below the tie
    {"f2", 1.005, L"1.00"},
    {"f3", 2.0, L"2.000"},
    {"f3", -1e-5, L"-0.000"},
    {"int", 2.5, L"2"},
    {"int", 2.7, L"3"},
    {"pct", 12.345, L"12.3%"},
    {"pct", 50, L"50.0%"},
    {nullptr, 3.14159, L"3.14"},
    {"F0", 2.5, L"2.50"}, // codes are case-sensitive
    {"", 1, L"1.00"},
    {"f0", 1e20, L"100000000000000000000"},
    {"f0", 1e300, L"--"}, // longer than the 79-character number text
    {"f3", 1e76, L"--"},
    {"f0", INF, L"--"},
    {"pct", -INF, L"--"},
    {"date", std::numeric_limits<double>::quiet_NaN(), L"--"},
    {"date", 0, L"1970-01-01"},
    {"date", -1, L"1969-12-31"},
    {"date", 1.9, L"1970-01-02"},
    {"date", -0.5, L"1970-01-01"},
    {"date", 19723, L"2024-01-01"},
    {"date", 1e300, L"--"}, // no day number that far out
    {"date", -9223372036854775808.0, L"-25252734927764585-06-07"},
};

TEST(FormatValue, RendersEachCode) {
    for (const FormatCase& c : FORMAT_CASES) {
        wchar_t text[128];
        formatValue(c.code, c.value, text, countOf(text));
        SCOPED_TRACE(testing::Message() << (c.code ? c.code : "(null)") << " " << c.value);
        EXPECT_EQ(std::wstring(text), c.text);
    }
}

TEST(FormatValue, SmallBufferKeepsAPrefix) {
    wchar_t text[5] = {L'x', L'x', L'x', L'x', L'x'};
    formatValue("f3", 1234.5, text, 4);
    EXPECT_EQ(std::wstring(text), L"123");
    EXPECT_EQ(text[4], L'x');
}

struct CivilCase {
    int32_t year, month, day;
    int64_t dayNumber;
};

const CivilCase CIVIL_CASES[] = {
    {1970, 1, 1, 0},         {1969, 12, 31, -1},     {2024, 1, 1, 19723}, {2000, 2, 29, 11016},
    {9999, 12, 31, 2932896}, {10000, 1, 1, 2932897}, {1, 1, 1, -719162},  {0, 12, 31, -719163},
    {2024, 2, 27, 19780},    {1900, 3, 1, -25508},
};

TEST(DayNumbers, RoundTripBetweenCivilDatesAndDayNumbers) {
    for (const CivilCase& c : CIVIL_CASES) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        EXPECT_EQ(daysFromCivil(c.year, c.month, c.day), c.dayNumber);
        wchar_t text[32];
        civilFromDays(c.dayNumber, text, countOf(text));
        wchar_t expected[32];
        formatBounded(expected, countOf(expected), L"%04d-%02d-%02d", c.year, c.month, c.day);
        EXPECT_EQ(std::wstring(text), std::wstring(expected));
    }
}

TEST(DayNumbers, OutOfRangeMonthsAndDaysRollOver) {
    EXPECT_EQ(daysFromCivil(2023, 1, 0), daysFromCivil(2022, 12, 31));
    EXPECT_EQ(daysFromCivil(2023, 2, 29), daysFromCivil(2023, 3, 1));
    EXPECT_EQ(daysFromCivil(2024, 13, 1), daysFromCivil(2025, 1, 1));
    // Extreme arguments stay defined (no overflow) and give some day number.
    daysFromCivil(INT32_MAX, INT32_MAX, INT32_MAX);
    daysFromCivil(INT32_MIN, INT32_MIN, INT32_MIN);
}

TEST(DayNumbers, CivilDatesAtThe64BitLimits) {
    wchar_t text[32];
    civilFromDays(INT64_MAX, text, countOf(text));
    EXPECT_EQ(std::wstring(text), L"25252734927768524-07-27");
    civilFromDays(INT64_MIN, text, countOf(text));
    EXPECT_EQ(std::wstring(text), L"-25252734927764585-06-07");
    civilFromDays(-719163 - 366, text, countOf(text)); // year 0 is a leap year
    EXPECT_EQ(std::wstring(text), L"-001-12-31");
}

} // namespace
