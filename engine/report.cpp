#include "engine/report.h"

#include "engine/report_generators.h"
#include "engine/report_support.h"
#include "engine/text.h"

#include <cmath>
#include <cstring>

SeverityLevel generateReport(ReportKind kind, const ToolDefinition& tool, const double* values,
                             wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                             int32_t verdictCapacity) {
    // A missing buffer takes nothing, like a buffer without room.
    if (result == nullptr) {
        resultCapacity = 0;
    }
    if (verdict == nullptr) {
        verdictCapacity = 0;
    }
    copyBounded(result, resultCapacity, L"");
    copyBounded(verdict, verdictCapacity, L"");

    switch (kind) {
    case ShiftRoster:
        return generateShiftRoster(tool, values, result, resultCapacity, verdict, verdictCapacity);
    case DoseTimetable:
        return generateDoseTimetable(tool, values, result, resultCapacity, verdict,
                                     verdictCapacity);
    case BloodDrawOrder:
        return generateBloodDrawOrder(tool, values, result, resultCapacity, verdict,
                                      verdictCapacity);
    case CriticalValues:
        return generateCriticalValues(tool, values, result, resultCapacity, verdict,
                                      verdictCapacity);
    case HighAlertDrugs:
        return generateHighAlertDrugs(tool, values, result, resultCapacity, verdict,
                                      verdictCapacity);
    case DrugCompatibility:
        return generateDrugCompatibility(tool, values, result, resultCapacity, verdict,
                                         verdictCapacity);
    case FollowUpPlan:
        return generateFollowUpPlan(tool, values, result, resultCapacity, verdict, verdictCapacity);
    case SurgicalSafetyChecklist:
        return generateSurgicalSafetyChecklist(tool, values, result, resultCapacity, verdict,
                                               verdictCapacity);
    case HandoverTemplate:
        return generateHandoverTemplate(tool, values, result, resultCapacity, verdict,
                                        verdictCapacity);
    case InfusionCard:
        return generateInfusionCard(tool, values, result, resultCapacity, verdict, verdictCapacity);
    case LabPanels:
        return generateLabPanels(tool, values, result, resultCapacity, verdict, verdictCapacity);
    default:
        break;
    }
    // No line break: the note is the whole text.
    appendBounded(result, resultCapacity, L"（该工具暂无自定义报告）");
    copyBounded(verdict, verdictCapacity, L"暂无报告内容");
    return 0;
}

double findInputValue(const ToolDefinition& tool, const double* values, const char* key) {
    if (key == nullptr || values == nullptr || tool.inputs == nullptr) {
        return 0.0;
    }
    for (int32_t i = 0; i < tool.inputCount; ++i) {
        const char* inputKey = tool.inputs[i].key;
        if (inputKey != nullptr && std::strcmp(inputKey, key) == 0) {
            return values[i];
        }
    }
    return 0.0;
}

int32_t truncateToInt(double value) {
    const double whole = std::trunc(value);
    // Written so that NaN fails the test too.
    if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(whole);
}

void appendLine(wchar_t* buffer, int32_t capacity, const wchar_t* line) {
    wchar_t cut[REPORT_LINE_CAPACITY];
    copyBounded(cut, countOf(cut), line);
    appendBounded(buffer, capacity, cut);
    // appendBounded cuts this too: one unit of room left takes the CR alone.
    appendBounded(buffer, capacity, L"\r\n");
}
