// The self-test report text and exit code for various tool definitions.
#include "app/self_test.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::wstring report(const ToolDefinition& tool, int* exitCode) {
    static wchar_t text[SELF_TEST_REPORT_CAPACITY];
    *exitCode = buildSelfTestReport(tool, text, SELF_TEST_REPORT_CAPACITY);
    return text;
}

TEST(SelfTest, BuiltInToolGivesTheNineLines) {
    int exitCode = -1;
    EXPECT_EQ(
        report(builtInTool(), &exitCode),
        L"TOOL|21|Varnel|儿科\r\n"
        L"LEVEL|1\r\n"
        L"OUT|累积损失|750|ml\r\n"
        L"OUT|前 8 小时|375|ml\r\n"
        L"OUT|前 8 小时速度|46.9|ml/h\r\n"
        L"OUT|每日维持量|1250|ml\r\n"
        L"VERDICT|轻度脱水，可口服补液盐观察\r\n"
        L"DETAIL|累积损失：750 ml 前 8 小时：375 ml 前 8 小时速度：46.9 ml/h 每日维持量：1250 "
        L"ml \r\n"
        L"ERRORS|0\r\n");
    EXPECT_EQ(exitCode, 0);
}

const InputField INPUTS[] = {{"a", L"A", nullptr, 4}};

TEST(SelfTest, FailingFormulasCountAsErrorsAndOutputsReadZeroForOtherOutputs) {
    const OutputField outputs[] = {
        {"x", L"X", L"u", "a*2", "f0"},
        {"y", L"Y", nullptr, "x+1", "f0"}, // x reads 0 here, 9 in the result text
        {"z", L"Z|bar", L"", "nosuch", "f1"},
        {"e", L"E", L"ml", "", "f0"},
        {"v", L"V", L"ml", "1e999", "f0"},
    };
    const VerdictRule rules[] = {{"y==9", 2, L"九"}};
    const ToolDefinition tool = {7, L"Test|Tool", nullptr, L"类", L"r",       nullptr, 1, INPUTS,
                                 5, outputs,      1,       rules, FormulaTool};
    int exitCode = -1;
    EXPECT_EQ(report(tool, &exitCode), L"TOOL|7|Test|Tool|类\r\n"
                                       L"LEVEL|2\r\n"
                                       L"OUT|X|8|u\r\n"
                                       L"OUT|Y|1|\r\n"
                                       L"OUT|Z|bar|0.0|\r\n"
                                       L"OUT|E|0|ml\r\n"
                                       L"OUT|V|--|ml\r\n"
                                       L"VERDICT|九\r\n"
                                       L"DETAIL|X：8 u Y：9 Z|bar：0.0 E：0 ml V：-- ml "
                                       L"（部分结果无法计算，请检查输入是否合理） \r\n"
                                       L"ERRORS|3\r\n");
    EXPECT_EQ(exitCode, 2);
}

TEST(SelfTest, ToolWithoutOutputsHasNoOutLines) {
    const ToolDefinition tool = {3,      L"N", nullptr, L"C", L"r",    nullptr,    1,
                                 INPUTS, 0,    nullptr, 0,    nullptr, FormulaTool};
    int exitCode = -1;
    EXPECT_EQ(report(tool, &exitCode),
              L"TOOL|3|N|C\r\nLEVEL|0\r\nVERDICT|请核对输入参数后重新计算\r\n"
              L"DETAIL|\r\nERRORS|0\r\n");
    EXPECT_EQ(exitCode, 0);
}

TEST(SelfTest, ReportKindToolHasOneFixedOutLine) {
    const OutputField outputs[] = {{"x", L"X", nullptr, "nosuch", "f0"}};
    const ToolDefinition tool = {4,
                                 L"R",
                                 nullptr,
                                 L"C",
                                 L"r",
                                 nullptr,
                                 1,
                                 INPUTS,
                                 1,
                                 outputs,
                                 0,
                                 nullptr,
                                 static_cast<ReportKind>(99)};
    int exitCode = -1;
    EXPECT_EQ(report(tool, &exitCode), L"TOOL|4|R|C\r\nLEVEL|0\r\nOUT|报告文本|见 DETAIL|\r\n"
                                       L"VERDICT|暂无报告内容\r\n"
                                       L"DETAIL|（该工具暂无自定义报告）\r\nERRORS|0\r\n");
    EXPECT_EQ(exitCode, 0);
}

TEST(SelfTest, OverlongLinesAreCutAtTheirOwnCapacity) {
    static wchar_t label[700];
    for (int i = 0; i < 699; ++i) {
        label[i] = L'长';
    }
    const OutputField outputs[] = {{"x", label, L"ml", "1", "f0"}};
    const ToolDefinition tool = {5,      L"L", nullptr, L"C", L"r",    nullptr,    1,
                                 INPUTS, 1,    outputs, 0,    nullptr, FormulaTool};
    int exitCode = -1;
    const std::wstring text = report(tool, &exitCode);
    const std::wstring outLine = L"OUT|" + std::wstring(507, L'长'); // 511 units, no break
    const std::wstring detail = L"DETAIL|" + std::wstring(255, L'长') + L"\r\n";
    EXPECT_NE(text.find(L"LEVEL|0\r\n" + outLine + L"VERDICT|"), std::wstring::npos);
    EXPECT_NE(text.find(detail), std::wstring::npos);
}

TEST(SelfTest, ReportNeverPassesItsCapacity) {
    wchar_t text[40];
    for (wchar_t& unit : text) {
        unit = L'#';
    }
    EXPECT_EQ(buildSelfTestReport(builtInTool(), text, 30), 0);
    EXPECT_EQ(std::wstring(text),
              std::wstring(L"TOOL|21|Varnel|儿科\r\nLEVEL|1\r\nOUT").substr(0, 29));
    for (int i = 30; i < 40; ++i) {
        EXPECT_EQ(text[i], L'#');
    }
}

} // namespace
