#include "app/self_test.h"

#include "engine/expression.h"
#include "engine/text.h"

namespace {

// Capacities of the report's working texts, in units.
constexpr int32_t RESULT_CAPACITY = 8192;
constexpr int32_t VERDICT_CAPACITY = 512;
constexpr int32_t OUT_LINE_CAPACITY = 512;
constexpr int32_t LEVEL_LINE_CAPACITY = 256;
constexpr int32_t ERRORS_LINE_CAPACITY = 128;

// DETAIL holds at most this many units of the flattened result text.
constexpr int32_t DETAIL_LIMIT = 8000;

const wchar_t REPORT_OUT_LINE[] = L"OUT|报告文本|见 DETAIL|\r\n";

// Appends the result text as one line: CR dropped, LF turned into a blank,
// at most DETAIL_LIMIT units kept.
void appendDetail(wchar_t* report, int32_t capacity, const wchar_t* resultText) {
    int32_t length = textLength(report);
    int32_t appended = 0;
    for (const wchar_t* unit = resultText; *unit && appended < DETAIL_LIMIT; ++unit) {
        if (*unit == L'\r') {
            continue;
        }
        if (length < capacity - 1) {
            report[length++] = *unit == L'\n' ? L' ' : *unit;
            report[length] = 0;
        }
        ++appended;
    }
}

} // namespace

int buildSelfTestReport(const ToolDefinition& tool, wchar_t* report, int32_t capacity) {
    double inputValues[MAX_TOOL_INPUTS] = {};
    for (int32_t i = 0; i < tool.inputCount && i < MAX_TOOL_INPUTS; ++i) {
        inputValues[i] = tool.inputs[i].defaultValue;
    }
    wchar_t result[RESULT_CAPACITY];
    wchar_t verdict[VERDICT_CAPACITY];
    wchar_t resultCopy[RESULT_CAPACITY];
    int32_t level = 0;
    evaluateTool(tool, inputValues, result, countOf(result), verdict, countOf(verdict), &level,
                 resultCopy, countOf(resultCopy));

    formatBounded(report, capacity, L"TOOL|%d|%ls|%ls\r\n", tool.id, tool.name, tool.category);
    wchar_t line[OUT_LINE_CAPACITY];
    formatBounded(line, LEVEL_LINE_CAPACITY, L"LEVEL|%d\r\n", level);
    appendBounded(report, capacity, line);

    int32_t errorCount = 0;
    if (tool.reportKind != FormulaTool) {
        appendBounded(report, capacity, REPORT_OUT_LINE);
    } else {
        for (int32_t i = 0; i < tool.outputCount && i < MAX_TOOL_OUTPUTS; ++i) {
            // Each output alone: names of other outputs read 0 here.
            const double outputValues[MAX_TOOL_OUTPUTS] = {};
            const OutputField& output = tool.outputs[i];
            int32_t failed = 0;
            const double value =
                evaluateExpression(tool, output.expression, inputValues, outputValues, &failed);
            if (failed) {
                ++errorCount;
            }
            wchar_t valueText[VALUE_TEXT_CAPACITY];
            formatValue(output.format, value, valueText, countOf(valueText));
            formatBounded(line, OUT_LINE_CAPACITY, L"OUT|%ls|%ls|%ls\r\n", output.label, valueText,
                          output.unit ? output.unit : L"");
            appendBounded(report, capacity, line);
        }
    }

    appendBounded(report, capacity, L"VERDICT|");
    appendBounded(report, capacity, verdict);
    appendBounded(report, capacity, L"\r\n");
    appendBounded(report, capacity, L"DETAIL|");
    appendDetail(report, capacity, result);
    appendBounded(report, capacity, L"\r\n");
    formatBounded(line, ERRORS_LINE_CAPACITY, L"ERRORS|%d\r\n", errorCount);
    appendBounded(report, capacity, line);
    return errorCount > 0 ? 2 : 0;
}
