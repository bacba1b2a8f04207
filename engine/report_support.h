// Operations shared by the report generators: reading inputs by key, whole
// numbers from input values, and appending one CR LF line to a report.
#pragma once

#include "engine/text.h"
#include "engine/tool.h"

#include <cstdint>

// One formatted report line holds at most 511 units; the formats of the
// generators stay far below it.
constexpr int32_t REPORT_LINE_CAPACITY = 512;

// Value of the tool's first input whose key equals key (byte for byte); 0.0
// when no input has it, or when the key or the values are null.
double findInputValue(const ToolDefinition& tool, const double* values, const char* key);

// Truncates toward zero into 32 bits; anything outside the 32-bit range, NaN
// included, gives INT32_MIN so that every clamp ends on its lower bound.
int32_t truncateToInt(double value);

// Appends line literally (a percent sign is just a character), cut at 511
// units, then CR LF as far as it fits: only CR when one unit is left.
void appendLine(wchar_t* buffer, int32_t capacity, const wchar_t* line);

// Appends one line formatted printf-style by formatBounded, cut at 511 units,
// then CR LF as appendLine above. Only called with at least one argument, so
// that a line without arguments is never read as a format.
template <typename... Args>
requires(sizeof...(Args) > 0) void appendLine(wchar_t* buffer, int32_t capacity,
                                              const wchar_t* format, Args... args) {
    wchar_t line[REPORT_LINE_CAPACITY];
    formatBounded(line, countOf(line), format, args...);
    appendLine(buffer, capacity, line);
}
