// The report dispatcher, the operations every generator builds on, and the
// hand-over from evaluateTool to the dispatcher.
#include "engine/report.h"
#include "engine/report_support.h"
#include "engine/text.h"
#include "engine/tool.h"
#include "tests/unit/report_test_support.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

TEST(TruncateToInt, TruncatesTowardZeroAndSendsAnythingOutOfRangeToTheLowerBound) {
    struct Case {
        double value;
        int32_t expected;
    };
    const Case cases[] = {
        {2.9, 2},
        {-0.5, 0},
        {-2.9, -2},
        {0.0, 0},
        {2147483647.0, 2147483647},
        {2147483647.9, 2147483647}, // truncates into range first
        {2147483648.0, INT32_MIN},
        {-2147483648.0, INT32_MIN},
        {-2147483648.9, INT32_MIN},
        {-2147483649.0, INT32_MIN},
        {10000000000.0, INT32_MIN},
        {1e300, INT32_MIN},
        {INF, INT32_MIN},
        {-INF, INT32_MIN},
        {NaN, INT32_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(truncateToInt(c.value), c.expected) << c.value;
    }
}

TEST(FindInputValue, FirstInputWithTheExactKeyCounts) {
    const ReportTool report(ShiftRoster, {{"nurses", 4}, {"days", 9}, {"nurses", 7}});
    EXPECT_EQ(findInputValue(report.tool, report.values.data(), "nurses"), 4.0);
    EXPECT_EQ(findInputValue(report.tool, report.values.data(), "days"), 9.0);
    EXPECT_EQ(findInputValue(report.tool, report.values.data(), "Days"), 0.0);
    EXPECT_EQ(findInputValue(report.tool, report.values.data(), "day"), 0.0);
    EXPECT_EQ(findInputValue(report.tool, report.values.data(), ""), 0.0);
    EXPECT_EQ(findInputValue(report.tool, report.values.data(), nullptr), 0.0);
    EXPECT_EQ(findInputValue(report.tool, nullptr, "days"), 0.0);
    const ReportTool none(ShiftRoster, {});
    EXPECT_EQ(findInputValue(none.tool, none.values.data(), "nurses"), 0.0);
}

TEST(AppendLine, FixedLineIsLiteralAndFormattedLineIsFormatted) {
    wchar_t text[128] = L"前文\r\n";
    appendLine(text, countOf(text), L"SpO2 95% 以上，%d 与 %ls 照印");
    appendLine(text, countOf(text), L"%02d 床 %ls %.2f %.0f %c %%", 3, L"甲", 2.5, 2.5, L'R');
    appendLine(text, countOf(text), L"");
    EXPECT_EQ(std::wstring(text), L"前文\r\n"
                                  L"SpO2 95% 以上，%d 与 %ls 照印\r\n"
                                  L"03 床 甲 2.50 2 R %\r\n"
                                  L"\r\n");
}

TEST(AppendLine, CutsAtTheCapacityAndEndsInCrWhenOneUnitIsLeft) {
    struct Case {
        int32_t capacity;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {8, L"abcd\r\n"}, {7, L"abcd\r\n"}, {6, L"abcd\r"}, {5, L"abcd"},
        {4, L"abc"},      {2, L"a"},        {1, L""},
    };
    for (const Case& c : cases) {
        wchar_t text[16];
        std::fill(std::begin(text), std::end(text), L'#');
        text[0] = 0;
        appendLine(text, c.capacity, L"abcd");
        EXPECT_EQ(std::wstring(text), c.expected) << c.capacity;
        EXPECT_EQ(text[c.capacity], L'#') << c.capacity;
    }
}

TEST(AppendLine, CutsALineAt511UnitsButKeepsItsLineBreak) {
    const std::wstring longLine(600, L'x');
    wchar_t text[1024] = L"";
    appendLine(text, countOf(text), longLine.c_str());
    EXPECT_EQ(std::wstring(text), std::wstring(511, L'x') + L"\r\n");
    text[0] = 0;
    appendLine(text, countOf(text), L"%ls!", longLine.c_str());
    EXPECT_EQ(std::wstring(text), std::wstring(511, L'x') + L"\r\n");
}

TEST(GenerateReport, UnlistedKindsGiveTheNoteWithoutLineBreak) {
    const int32_t kinds[] = {12, -1, 0, 1000, INT32_MIN, INT32_MAX};
    for (int32_t kind : kinds) {
        const ReportRun run = runReport(static_cast<ReportKind>(kind), {{"nurses", 3}});
        EXPECT_EQ(run.text, L"（该工具暂无自定义报告）") << kind;
        EXPECT_EQ(run.verdict, L"暂无报告内容") << kind;
        EXPECT_EQ(run.level, 0) << kind;
    }
    // The note is 12 units: 13 hold it whole.
    EXPECT_EQ(runReport(static_cast<ReportKind>(12), {}, 13).text, L"（该工具暂无自定义报告）");
}

TEST(GenerateReport, StartsFromEmptyBuffersEveryTime) {
    const ReportTool report(SurgicalSafetyChecklist, {});
    wchar_t result[1024] = L"上一次的报告\r\n";
    wchar_t verdict[64] = L"上一次的结论";
    generateReport(SurgicalSafetyChecklist, report.tool, report.values.data(), result,
                   countOf(result), verdict, countOf(verdict));
    EXPECT_EQ(std::wstring(result).rfind(L"手术安全核查表（三步核查）：\r\n", 0), 0u);
    EXPECT_EQ(std::wstring(verdict), L"三方核查缺一不可，签字后归档");
}

TEST(GenerateReport, EveryKindFillsTextVerdictAndLevel) {
    // Kind, expected verdict, expected level for a tool without inputs.
    struct Case {
        ReportKind kind;
        const wchar_t* verdict;
        SeverityLevel level;
    };
    const Case cases[] = {
        {ShiftRoster, L"已生成轮转排班表，可复制到排班本或表格", 0},
        {DoseTimetable, L"给药时间表已生成，注意首剂与夜间给药时间", 0},
        {BloodDrawOrder, L"按标准顺序采血可减少溶血与交叉污染", 0},
        {CriticalValues, L"危急值必须闭环：报告、接收、处理、记录", 0},
        {HighAlertDrugs, L"高警示药品须专区、专标识、双人核对", 0},
        {DrugCompatibility, L"未收录明确禁忌，仍需核对院内配伍表", 0},
        {FollowUpPlan, L"随访计划已生成，可按日期短信提醒患者", 0},
        {SurgicalSafetyChecklist, L"三方核查缺一不可，签字后归档", 0},
        {HandoverTemplate, L"模板已生成，床旁交接并双方签名", 0},
        {InfusionCard, L"输液卡已生成，双人核对后执行", 0},
        {LabPanels, L"套餐与采血管已列出，按顺序采血", 0},
    };
    for (const Case& c : cases) {
        const ReportRun run = runReport(c.kind, {});
        EXPECT_EQ(run.verdict, c.verdict) << c.kind;
        EXPECT_EQ(run.level, c.level) << c.kind;
        ASSERT_GE(run.text.size(), 2u) << c.kind;
        EXPECT_EQ(run.text.substr(run.text.size() - 2), L"\r\n") << c.kind;
    }
}

// A report tool that also carries outputs and rules: evaluateTool must not
// touch them, and must add nothing to what the dispatcher wrote.
const OutputField IGNORED_OUTPUTS[] = {{"x", L"不应出现", L"ml", "1/0", "f0"}};
const VerdictRule IGNORED_RULES[] = {{"", 1, L"不应出现的结论"}};

ToolDefinition withFormulas(const ReportTool& report) {
    ToolDefinition tool = report.tool;
    tool.outputCount = 1;
    tool.outputs = IGNORED_OUTPUTS;
    tool.ruleCount = 1;
    tool.rules = IGNORED_RULES;
    return tool;
}

TEST(EvaluateTool, HandsAReportKindToTheDispatcherAndAddsNothing) {
    const ReportTool report(DrugCompatibility, {{"drugA", 2}, {"drugB", 1}});
    const ToolDefinition tool = withFormulas(report);
    wchar_t result[4096];
    wchar_t verdict[512];
    wchar_t copy[8192];
    int32_t level = -7;
    const SeverityLevel returned =
        evaluateTool(tool, report.values.data(), result, countOf(result), verdict, countOf(verdict),
                     &level, copy, countOf(copy));
    const ReportRun direct = runReport(report, 4096);
    EXPECT_EQ(returned, 3);
    EXPECT_EQ(level, 3);
    EXPECT_EQ(std::wstring(result), direct.text);
    EXPECT_EQ(std::wstring(copy), direct.text);
    EXPECT_EQ(std::wstring(verdict), L"禁忌：不可同瓶输注，需间隔冲管");
    EXPECT_EQ(std::wstring(result).find(L"不应出现"), std::wstring::npos);
    EXPECT_EQ(std::wstring(result).find(L"部分结果无法计算"), std::wstring::npos);
}

TEST(EvaluateTool, ReportPathKeepsACutVerdictAndCutsTheCopy) {
    const ReportTool report(DrugCompatibility, {{"drugA", 1}, {"drugB", 2}});
    const ToolDefinition tool = withFormulas(report);
    wchar_t result[4096];
    wchar_t verdict[5];
    wchar_t copy[10];
    int32_t level = 0;
    evaluateTool(tool, report.values.data(), result, countOf(result), verdict, countOf(verdict),
                 &level, copy, countOf(copy));
    // No default verdict replaces the dispatcher's, even when it was cut.
    EXPECT_EQ(std::wstring(verdict), L"禁忌：不");
    EXPECT_EQ(std::wstring(copy), std::wstring(result).substr(0, 9));
    EXPECT_EQ(level, 3);
}

TEST(EvaluateTool, UnlistedReportKindGivesTheNote) {
    const ReportTool report(static_cast<ReportKind>(12), {});
    wchar_t result[64];
    wchar_t verdict[512];
    wchar_t copy[64];
    int32_t level = 5;
    EXPECT_EQ(evaluateTool(report.tool, report.values.data(), result, countOf(result), verdict,
                           countOf(verdict), &level, copy, countOf(copy)),
              0);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(std::wstring(result), L"（该工具暂无自定义报告）");
    EXPECT_EQ(std::wstring(copy), L"（该工具暂无自定义报告）");
    EXPECT_EQ(std::wstring(verdict), L"暂无报告内容");
}

} // namespace
