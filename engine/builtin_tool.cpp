// The tool this program carries: a pediatric dehydration fluid plan.
#include "engine/tool.h"

namespace {

const InputField INPUTS[] = {
    {"w", L"体重", L"kg", 15},
    {"pct", L"脱水程度", L"%", 5},
};

const OutputField OUTPUTS[] = {
    {"deficit", L"累积损失", L"ml", "w*pct*10", "f0"},
    {"first8", L"前 8 小时", L"ml", "w*pct*10/2", "f0"},
    {"first8_rate", L"前 8 小时速度", L"ml/h", "w*pct*10/2/8", "f1"},
    {"maint", L"每日维持量", L"ml", "w<=10?100*w:w<=20?1000+50*(w-10):1500+20*(w-20)", "f0"},
};

// Priority order: the first rule that holds decides.
const VerdictRule RULES[] = {
    {"pct>=10", 3, L"重度脱水，先快速扩容 20ml/kg 并评估休克"},
    {"pct>=6", 2, L"中度脱水，建议静脉补液并监测电解质"},
    {"", 1, L"轻度脱水，可口服补液盐观察"},
};

const ToolDefinition BUILT_IN_TOOL = {
    21,
    L"Varnel",
    L"累积损失、维持量与首批补液",
    L"儿科",
    L"儿童脱水补液：1% 脱水≈10ml/kg，前 8 小时补半量，后 16 小时补余量",
    L"先扩容后补累积；监测尿量、心率、毛细血管充盈时间。",
    2,
    INPUTS,
    4,
    OUTPUTS,
    3,
    RULES,
    FormulaTool,
};

} // namespace

const ToolDefinition& builtInTool() {
    return BUILT_IN_TOOL;
}
