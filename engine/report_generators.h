// The eleven built-in report generators behind generateReport. Each expects
// empty result and verdict buffers, appends its report lines (cut at the
// result capacity), writes its fixed verdict and returns its severity level.
#pragma once

#include "engine/tool.h"

#include <cstdint>

// A calendar date of the local wall clock.
struct CivilDate {
    int32_t year;
    int32_t month; // 1 to 12
    int32_t day;   // 1 to 31
};

// Today's date on the local wall clock; 1970-01-01 if the clock cannot be read.
CivilDate readLocalDate();

// Schedules computed from the inputs.
SeverityLevel generateShiftRoster(const ToolDefinition& tool, const double* values, wchar_t* result,
                                  int32_t resultCapacity, wchar_t* verdict,
                                  int32_t verdictCapacity);
SeverityLevel generateDoseTimetable(const ToolDefinition& tool, const double* values,
                                    wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                    int32_t verdictCapacity);
// Reads the local date once, then writes the plan as generateFollowUpPlanFrom.
SeverityLevel generateFollowUpPlan(const ToolDefinition& tool, const double* values,
                                   wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                   int32_t verdictCapacity);
// The follow-up plan counted from the day number today; a date beyond the
// 64-bit day range is shown as out of range instead of wrapping around.
SeverityLevel generateFollowUpPlanFrom(int64_t today, const ToolDefinition& tool,
                                       const double* values, wchar_t* result,
                                       int32_t resultCapacity, wchar_t* verdict,
                                       int32_t verdictCapacity);

// Fixed reference texts chosen by a selector or filled from the inputs.
SeverityLevel generateBloodDrawOrder(const ToolDefinition& tool, const double* values,
                                     wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                     int32_t verdictCapacity);
SeverityLevel generateCriticalValues(const ToolDefinition& tool, const double* values,
                                     wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                     int32_t verdictCapacity);
SeverityLevel generateHighAlertDrugs(const ToolDefinition& tool, const double* values,
                                     wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                     int32_t verdictCapacity);
// Grades the pair of drugs: 3 forbidden, 2 not in one bottle, 1 better
// apart, 0 nothing recorded.
SeverityLevel generateDrugCompatibility(const ToolDefinition& tool, const double* values,
                                        wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                        int32_t verdictCapacity);
SeverityLevel generateSurgicalSafetyChecklist(const ToolDefinition& tool, const double* values,
                                              wchar_t* result, int32_t resultCapacity,
                                              wchar_t* verdict, int32_t verdictCapacity);
SeverityLevel generateHandoverTemplate(const ToolDefinition& tool, const double* values,
                                       wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                       int32_t verdictCapacity);
SeverityLevel generateInfusionCard(const ToolDefinition& tool, const double* values,
                                   wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                   int32_t verdictCapacity);
SeverityLevel generateLabPanels(const ToolDefinition& tool, const double* values, wchar_t* result,
                                int32_t resultCapacity, wchar_t* verdict, int32_t verdictCapacity);
