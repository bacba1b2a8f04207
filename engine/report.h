// Built-in report generators selected by a tool's reportKind.
#pragma once

#include "engine/tool.h"

#include <cstdint>

// Empties both buffers, then writes the report of that kind and its fixed
// verdict; an unlisted kind yields the note for a tool without a report.
// Returns the report's severity level.
SeverityLevel generateReport(ReportKind kind, const ToolDefinition& tool, const double* values,
                             wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                             int32_t verdictCapacity);
