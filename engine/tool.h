// The tool definition: a constant record describing one calculator, and its
// evaluation into result text, verdict and severity level.
#pragma once

#include <cstdint>

// At most this many inputs and outputs per tool: the window keeps 16 fields
// and evaluation computes into a fixed array of 16 values.
constexpr int32_t MAX_TOOL_INPUTS = 16;
constexpr int32_t MAX_TOOL_OUTPUTS = 16;

// Buffer that formatValue's callers give; it holds any text it produces.
constexpr int32_t VALUE_TEXT_CAPACITY = 128;

using SeverityLevel = int32_t;

// What a tool computes: 0 evaluates its formulas, 1 to 11 select a built-in
// report generator, any other value yields the note for a tool without one.
enum ReportKind : int32_t {
    FormulaTool = 0,
    ShiftRoster = 1,
    DoseTimetable = 2,
    BloodDrawOrder = 3,
    CriticalValues = 4,
    HighAlertDrugs = 5,
    DrugCompatibility = 6,
    FollowUpPlan = 7,
    SurgicalSafetyChecklist = 8,
    HandoverTemplate = 9,
    InfusionCard = 10,
    LabPanels = 11,
};

struct InputField {
    const char* key;
    const wchar_t* label;
    const wchar_t* unit; // null or empty: none
    double defaultValue;
};

struct OutputField {
    const char* key;
    const wchar_t* label;
    const wchar_t* unit;    // null or empty: none
    const char* expression; // null or empty makes the output fail
    const char* format;     // null reads as "f2"
};

struct VerdictRule {
    const char* condition; // empty: always true
    SeverityLevel level;
    const wchar_t* verdict;
};

struct ToolDefinition {
    int32_t id;
    const wchar_t* name;
    const wchar_t* subtitle; // may be null
    const wchar_t* category;
    const wchar_t* reference;
    const wchar_t* hint; // may be null
    int32_t inputCount;
    const InputField* inputs;
    int32_t outputCount;
    const OutputField* outputs;
    int32_t ruleCount;
    const VerdictRule* rules;
    ReportKind reportKind;
};

// The pediatric dehydration fluid plan, the one tool this program carries.
const ToolDefinition& builtInTool();

// Evaluates the tool on one value per input into result text, verdict and a
// copy of the result; stores the level and returns it. Never fails: a formula
// that cannot be computed adds a warning line, no matching rule gives the
// default verdict at level 0, and texts that do not fit are cut.
SeverityLevel evaluateTool(const ToolDefinition& tool, const double* inputValues, wchar_t* result,
                           int32_t resultCapacity, wchar_t* verdict, int32_t verdictCapacity,
                           int32_t* level, wchar_t* resultCopy, int32_t copyCapacity);

// Renders value by a format code (f0 f1 f2 f3 int pct date; null or unknown
// codes give two decimals). Non-finite values, and numbers or days too large
// to print, render as "--".
void formatValue(const char* code, double value, wchar_t* output, int32_t capacity);

// Day number (days since 1970-01-01, proleptic Gregorian) of a civil date;
// months and days out of range roll over arithmetically.
int64_t daysFromCivil(int32_t year, int32_t month, int32_t day);

// Writes the civil date of a day number as "YYYY-MM-DD" (more year digits or
// a sign where needed); exact for every 64-bit day number.
void civilFromDays(int64_t dayNumber, wchar_t* output, int32_t capacity);
