// Evaluation of a tool definition, value formatting and day arithmetic.
#include "engine/tool.h"
#include "engine/expression.h"
#include "engine/report.h"
#include "engine/text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// One result line: label, colon, value and unit; a longer line is cut.
constexpr int32_t LINE_CAPACITY = 256;

// The 8-bit text of a printf-rendered value: 79 characters. A number whose
// fixed-point text is longer (10^75 and up) shows "--" rather than cut digits.
constexpr int NUMBER_TEXT_CAPACITY = 80;

const wchar_t PARTIAL_FAILURE_LINE[] = L"（部分结果无法计算，请检查输入是否合理）\r\n";
const wchar_t DEFAULT_VERDICT[] = L"请核对输入参数后重新计算";
const wchar_t NO_VALUE[] = L"--";

bool isCode(const char* code, const char* name) {
    return std::strcmp(code, name) == 0;
}

bool isEmpty(const wchar_t* text) {
    return !text || text[0] == 0;
}

void clear(wchar_t* buffer, int32_t capacity) {
    if (buffer && capacity >= 1) {
        buffer[0] = 0;
    }
}

// Civil date of a day number. The era is found by floor division done in two
// steps, so that no intermediate value overflows even at the 64-bit limits.
void civilDate(int64_t z, int64_t* year, int64_t* month, int64_t* day) {
    constexpr int64_t DAYS_PER_ERA = 146097;
    constexpr int64_t EPOCH_SHIFT = 719468; // 0000-03-01 to 1970-01-01
    int64_t era = z / DAYS_PER_ERA;
    int64_t doe = z % DAYS_PER_ERA + EPOCH_SHIFT;
    era += doe / DAYS_PER_ERA;
    doe %= DAYS_PER_ERA;
    if (doe < 0) {
        doe += DAYS_PER_ERA;
        --era;
    }
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *day = doy - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = yoe + era * 400 + (*month <= 2 ? 1 : 0);
}

void writeNumber(const char* format, double value, wchar_t* output, int32_t capacity) {
    char text[NUMBER_TEXT_CAPACITY];
    const int length = std::snprintf(text, sizeof text, format, value);
    if (length < 0 || length >= NUMBER_TEXT_CAPACITY) {
        copyBounded(output, capacity, NO_VALUE);
        return;
    }
    int32_t i = 0;
    for (; i < capacity - 1 && text[i] != 0; ++i) {
        output[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
    output[i] = 0;
}

// Renders output j's line into line.
void renderOutputLine(const OutputField& output, double value, wchar_t* line) {
    wchar_t valueText[VALUE_TEXT_CAPACITY];
    formatValue(output.format, value, valueText, countOf(valueText));
    if (isEmpty(output.unit)) {
        formatBounded(line, LINE_CAPACITY, L"%ls：%ls\r\n", output.label, valueText);
    } else {
        formatBounded(line, LINE_CAPACITY, L"%ls：%ls %ls\r\n", output.label, valueText,
                      output.unit);
    }
}

} // namespace

SeverityLevel evaluateTool(const ToolDefinition& tool, const double* inputValues, wchar_t* result,
                           int32_t resultCapacity, wchar_t* verdict, int32_t verdictCapacity,
                           int32_t* level, wchar_t* resultCopy, int32_t copyCapacity) {
    clear(resultCopy, copyCapacity);
    clear(verdict, verdictCapacity);
    clear(result, resultCapacity);
    SeverityLevel severity = 0;

    if (tool.reportKind != FormulaTool) {
        severity = generateReport(tool.reportKind, tool, inputValues, result, resultCapacity,
                                  verdict, verdictCapacity);
        copyBounded(resultCopy, copyCapacity, result);
        if (level) {
            *level = severity;
        }
        return severity;
    }

    double outputValues[MAX_TOOL_OUTPUTS] = {};
    const int32_t outputCount =
        tool.outputCount < MAX_TOOL_OUTPUTS ? tool.outputCount : MAX_TOOL_OUTPUTS;
    bool anyFailed = false;
    for (int32_t i = 0; i < outputCount; ++i) {
        int32_t failed = 0;
        outputValues[i] = evaluateExpression(tool, tool.outputs[i].expression, inputValues,
                                             outputValues, &failed);
        anyFailed = anyFailed || failed != 0;
    }

    for (int32_t j = 0; j < outputCount; ++j) {
        wchar_t line[LINE_CAPACITY];
        renderOutputLine(tool.outputs[j], outputValues[j], line);
        appendBounded(result, resultCapacity, line);
    }
    if (anyFailed) {
        appendBounded(result, resultCapacity, PARTIAL_FAILURE_LINE);
    }

    for (int32_t i = 0; i < tool.ruleCount; ++i) {
        const VerdictRule& rule = tool.rules[i];
        bool matches = rule.condition == nullptr || rule.condition[0] == 0;
        if (!matches) {
            int32_t failed = 0;
            const double value =
                evaluateExpression(tool, rule.condition, inputValues, outputValues, &failed);
            matches = failed == 0 && value != 0;
        }
        if (matches) {
            copyBounded(verdict, verdictCapacity, rule.verdict);
            severity = rule.level;
            break;
        }
    }
    if (isEmpty(verdict)) {
        copyBounded(verdict, verdictCapacity, DEFAULT_VERDICT);
    }

    copyBounded(resultCopy, copyCapacity, result);
    if (level) {
        *level = severity;
    }
    return severity;
}

void formatValue(const char* code, double value, wchar_t* output, int32_t capacity) {
    if (!output || capacity < 1) {
        return;
    }
    if (!std::isfinite(value)) {
        copyBounded(output, capacity, NO_VALUE);
        return;
    }
    const char* format = code ? code : "f2";
    if (isCode(format, "f0") || isCode(format, "int")) {
        writeNumber("%.0f", value, output, capacity);
    } else if (isCode(format, "f1")) {
        writeNumber("%.1f", value, output, capacity);
    } else if (isCode(format, "f3")) {
        writeNumber("%.3f", value, output, capacity);
    } else if (isCode(format, "pct")) {
        writeNumber("%.1f%%", value, output, capacity);
    } else if (isCode(format, "date")) {
        // Beyond the 64-bit range a value names no day.
        if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) {
            copyBounded(output, capacity, NO_VALUE);
            return;
        }
        civilFromDays(static_cast<int64_t>(value), output, capacity);
    } else {
        writeNumber("%.2f", value, output, capacity);
    }
}

int64_t daysFromCivil(int32_t year, int32_t month, int32_t day) {
    // 64-bit throughout, so that any 32-bit year, month and day stay defined.
    int64_t y = year;
    const int64_t m = month;
    if (m <= 2) {
        --y;
    }
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = m > 2 ? m - 3 : m + 9;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t dayNumber, wchar_t* output, int32_t capacity) {
    int64_t year = 0;
    int64_t month = 0;
    int64_t day = 0;
    civilDate(dayNumber, &year, &month, &day);
    formatBounded(output, capacity, L"%04lld-%02lld-%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day));
}
