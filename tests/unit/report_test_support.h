// Running report tools in tests: a tool definition built from key/value
// pairs, and expected report texts written as one string per line.
#pragma once

#include "engine/report.h"
#include "engine/tool.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// One input of a test tool: its key and the value the test passes for it.
using ReportInput = std::pair<const char*, double>;

// A report-kind tool with one input per pair (defaults set to the values),
// together with the input values; stays valid while the object lives.
struct ReportTool {
    std::vector<InputField> inputs;
    std::vector<double> values;
    ToolDefinition tool;

    ReportTool(ReportKind kind, std::initializer_list<ReportInput> pairs) {
        for (const ReportInput& pair : pairs) {
            inputs.push_back(InputField{pair.first, L"输入", nullptr, pair.second});
            values.push_back(pair.second);
        }
        tool = ToolDefinition{901,
                              L"报告工具",
                              nullptr,
                              L"护理",
                              L"病区参考",
                              nullptr,
                              static_cast<int32_t>(inputs.size()),
                              inputs.data(),
                              0,
                              nullptr,
                              0,
                              nullptr,
                              kind};
    }
};

// What one report run produced.
struct ReportRun {
    std::wstring text;
    std::wstring verdict;
    SeverityLevel level;
};

// Runs generateReport for the tool's kind with a result buffer of capacity.
inline ReportRun runReport(const ReportTool& report, int32_t capacity = 8192) {
    std::vector<wchar_t> result(static_cast<size_t>(capacity), L'#');
    wchar_t verdict[512];
    std::fill(verdict, verdict + 512, L'#');
    const SeverityLevel level =
        generateReport(report.tool.reportKind, report.tool, report.values.data(), result.data(),
                       capacity, verdict, 512);
    return ReportRun{result.data(), verdict, level};
}

// Runs generateReport of kind with inputs given as key/value pairs.
inline ReportRun runReport(ReportKind kind, std::initializer_list<ReportInput> pairs,
                           int32_t capacity = 8192) {
    return runReport(ReportTool(kind, pairs), capacity);
}

// The lines joined as a report writes them: each one ends in CR LF.
inline std::wstring reportLines(std::initializer_list<std::wstring> lines) {
    std::wstring text;
    for (const std::wstring& line : lines) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

inline constexpr wchar_t ROSTER_RULE[] =
    L"排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，按人员顺序滚动。";
inline constexpr wchar_t ROSTER_HINT[] =
    L"提示：连续夜班不超过 2 个，夜班后应安排休息；请按科室实际人数与能级调整。";

// The roster as the ward rule defines it: nurse i on day j works shift
// (i + 2j) mod 3 of D, N, R.
inline std::wstring expectedRoster(int nurses, int days) {
    std::wstring text = reportLines(
        {ROSTER_RULE,
         L"人员：" + std::to_wstring(nurses) + L" 人；周期：" + std::to_wstring(days) + L" 天",
         L""});
    for (int i = 0; i < nurses; ++i) {
        std::wstring number = std::to_wstring(i + 1);
        if (number.size() < 2) {
            number = L"0" + number;
        }
        text += L"护士" + number + L"：\r\n  ";
        for (int j = 0; j < days; ++j) {
            text += std::to_wstring(j + 1) + L"日" + L"DNR"[(i + 2 * j) % 3] + L" ";
        }
        text += L"\r\n";
    }
    return text + reportLines({L"", ROSTER_HINT});
}
