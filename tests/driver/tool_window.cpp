// telm_tool_window: the real main window showing a tool chosen for a test,
// so that end-to-end tests can reach cases the built-in tool never shows.
//
//   telm_tool_window NAME
//
//   builtin  the program's own tool
//   plain    a name too wide for the header, no subtitle and no hint, inputs
//            without a unit (null and empty) and with defaults 0.5 and
//            1234567, an output that cannot be computed and no rules
//   empty    no inputs; one constant output and a level 2 rule
//   report   no inputs; the critical-values reference report (kind 4)
//   roster   the nurse shift roster (kind 1), 6 nurses over 31 days
//   drugs    the two-drug compatibility check (kind 6), drugs 1 and 2
//
// Exit code: that of the window, or 2 for an unknown name.
#include "engine/tool.h"
#include "ui/main_window.h"

#include <windows.h>

#include <cwchar>

namespace {

const InputField PLAIN_INPUTS[] = {
    {"dose", L"剂量", nullptr, 0.5},
    {"count", L"计数", L"", 1234567},
    {"w", L"体重", L"kg", 15},
};
const OutputField PLAIN_OUTPUTS[] = {
    {"sum", L"合计", L"mg", "dose+w", "f2"},
    {"broken", L"无法计算", nullptr, "1/0+5", "f0"},
};
const ToolDefinition PLAIN_TOOL = {
    7,           L"这是一个名称很长很长的测试工具用来检查标题栏末尾是否出现省略号而不会越界绘制",
    nullptr,     L"测试",
    L"测试参考", nullptr,
    3,           PLAIN_INPUTS,
    2,           PLAIN_OUTPUTS,
    0,           nullptr,
    FormulaTool,
};

const OutputField EMPTY_OUTPUTS[] = {
    {"answer", L"常数", L"次", "42", "f0"},
};
const VerdictRule EMPTY_RULES[] = {
    {"answer>40", 2, L"常数大于四十"},
};
const ToolDefinition EMPTY_TOOL = {
    8, L"无输入工具", L"只有常数", L"测试",     L"无",       L"无输入时不应有焦点", 0, nullptr,
    1, EMPTY_OUTPUTS, 1,           EMPTY_RULES, FormulaTool,
};

const ToolDefinition REPORT_TOOL = {
    9, L"危急值速查", L"参考报告", L"检验", L"报告测试",    nullptr, 0, nullptr,
    0, nullptr,       0,           nullptr, CriticalValues,
};

// Six nurses over 31 days make a roster longer than the clipboard text keeps.
const InputField ROSTER_INPUTS[] = {
    {"nurses", L"护士人数", L"人", 6},
    {"days", L"天数", L"天", 31},
};
const ToolDefinition ROSTER_TOOL = {
    10, L"排班表", L"三班轮转", L"护理", L"报告测试", nullptr, 2, ROSTER_INPUTS,
    0,  nullptr,   0,           nullptr, ShiftRoster,
};

// Drugs 1 and 2 are the forbidden pair: the report's level is 3.
const InputField DRUG_INPUTS[] = {
    {"drugA", L"药物 A", L"号", 1},
    {"drugB", L"药物 B", L"号", 2},
};
const ToolDefinition DRUG_TOOL = {
    11,          L"配伍速查", L"两药同瓶", L"药学", L"报告测试", nullptr,           2,
    DRUG_INPUTS, 0,           nullptr,     0,       nullptr,     DrugCompatibility,
};

const ToolDefinition* toolNamed(const wchar_t* name) {
    if (std::wcscmp(name, L"builtin") == 0) {
        return &builtInTool();
    }
    if (std::wcscmp(name, L"plain") == 0) {
        return &PLAIN_TOOL;
    }
    if (std::wcscmp(name, L"empty") == 0) {
        return &EMPTY_TOOL;
    }
    if (std::wcscmp(name, L"report") == 0) {
        return &REPORT_TOOL;
    }
    if (std::wcscmp(name, L"roster") == 0) {
        return &ROSTER_TOOL;
    }
    if (std::wcscmp(name, L"drugs") == 0) {
        return &DRUG_TOOL;
    }
    return nullptr;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const ToolDefinition* tool = argc == 2 ? toolNamed(argv[1]) : nullptr;
    if (!tool) {
        return 2;
    }
    SetProcessDPIAware();
    return runMainWindow(GetModuleHandleW(nullptr), *tool);
}
