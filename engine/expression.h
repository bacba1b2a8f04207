// The formula language of tool outputs and verdict rules.
#pragma once

#include "engine/tool.h"

#include <cstdint>

// Evaluates a formula whose names stand for the tool's inputs (first match)
// and outputs. Sets *failed to 1 on a syntax error, unknown name, domain
// error, division by zero, too deep nesting or a non-finite result, and to 0
// otherwise; the value returned in both cases is the one the formula gives
// with each failing piece read as its defined fallback (mostly 0).
double evaluateExpression(const ToolDefinition& tool, const char* expression,
                          const double* inputValues, const double* outputValues, int32_t* failed);
