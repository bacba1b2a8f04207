// The self-test of a report-kind tool: one fixed OUT line, the report
// flattened into DETAIL, the generator's verdict and level, exit code 0.
#include "app/self_test.h"
#include "tests/unit/report_test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The report text as DETAIL carries it: CR dropped, LF turned into a blank.
std::wstring flattened(const std::wstring& text) {
    std::wstring line;
    for (wchar_t unit : text) {
        if (unit != L'\r') {
            line += unit == L'\n' ? L' ' : unit;
        }
    }
    return line;
}

struct SelfTestRun {
    int exitCode;
    std::wstring report;
};

SelfTestRun selfTest(const ReportTool& tool) {
    std::vector<wchar_t> report(SELF_TEST_REPORT_CAPACITY, L'#');
    const int exitCode = buildSelfTestReport(tool.tool, report.data(), SELF_TEST_REPORT_CAPACITY);
    return SelfTestRun{exitCode, report.data()};
}

TEST(ReportSelfTest, DrugPairGivesItsLevelVerdictAndOneOutLine) {
    const SelfTestRun run = selfTest(ReportTool(DrugCompatibility, {{"drugA", 1}, {"drugB", 2}}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report,
              L"TOOL|901|报告工具|护理\r\n"
              L"LEVEL|3\r\n"
              L"OUT|报告文本|见 DETAIL|\r\n"
              L"VERDICT|禁忌：不可同瓶输注，需间隔冲管\r\n"
              L"DETAIL|待查：1 号 头孢曲松  +  2 号 葡萄糖酸钙  "
              L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索 "
              L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺  "
              L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。 "
              L"\r\n"
              L"ERRORS|0\r\n");
}

TEST(ReportSelfTest, FullRosterFitsDetailWhole) {
    const SelfTestRun run = selfTest(ReportTool(ShiftRoster, {{"nurses", 40}, {"days", 31}}));
    EXPECT_EQ(run.exitCode, 0);
    const std::wstring detail = flattened(expectedRoster(40, 31));
    // The longest report there is still stays below DETAIL's 8000 units.
    EXPECT_LT(detail.size(), 8000u);
    EXPECT_EQ(run.report, L"TOOL|901|报告工具|护理\r\n"
                          L"LEVEL|0\r\n"
                          L"OUT|报告文本|见 DETAIL|\r\n"
                          L"VERDICT|已生成轮转排班表，可复制到排班本或表格\r\n"
                          L"DETAIL|" +
                              detail +
                              L"\r\n"
                              L"ERRORS|0\r\n");
}

TEST(ReportSelfTest, UnlistedKindShowsTheNote) {
    const SelfTestRun run = selfTest(ReportTool(static_cast<ReportKind>(42), {}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report, L"TOOL|901|报告工具|护理\r\n"
                          L"LEVEL|0\r\n"
                          L"OUT|报告文本|见 DETAIL|\r\n"
                          L"VERDICT|暂无报告内容\r\n"
                          L"DETAIL|（该工具暂无自定义报告）\r\n"
                          L"ERRORS|0\r\n");
}

} // namespace
