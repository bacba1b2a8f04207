// The headless self-test: evaluate a tool with its defaults and report.
#pragma once

#include "engine/tool.h"

#include <cstdint>

// Capacity of the whole self-test report in units.
constexpr int32_t SELF_TEST_REPORT_CAPACITY = 16384;

// Builds the self-test report of tool with its default inputs into report
// (cut at its capacity). Returns the exit code: 2 when any output formula
// fails, 0 otherwise (always 0 for a report-kind tool).
int buildSelfTestReport(const ToolDefinition& tool, wchar_t* report, int32_t capacity);

// Runs the self-test of the built-in tool and writes its report as UTF-8 to
// reportPath. Returns 0 or 2 as buildSelfTestReport does, whether or not the
// file could be written.
int runSelfTest(const wchar_t* reportPath);
