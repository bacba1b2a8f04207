// The Save command: each save appends the last result as one row to the
// tool's record file, a UTF-8 CSV file under the user's local application
// data. Rows are written as they stand, unquoted, because files of earlier
// versions and the spreadsheets that read them rely on that layout.
#pragma once

#include "engine/tool.h"
#include "ui/window_state.h"

#include <cstdint>

// Capacities in UTF-16 units, terminating zero included.
constexpr int32_t RECORD_FOLDER_CAPACITY = 260; // the classic MAX_PATH
constexpr int32_t RECORD_PATH_CAPACITY = 520;
constexpr int32_t RECORD_HEADER_CAPACITY = 512;
constexpr int32_t RECORD_ROW_CAPACITY = 4096;

// Local date and time of one save, as the clock gives it.
struct RecordTime {
    int32_t year;
    int32_t month;
    int32_t day;
    int32_t hour;
    int32_t minute;
    int32_t second;
};

// Writes "<localAppData>\TelmMedSuite\records" into folder; returns false when
// localAppData is null or empty or the path does not fit (folder then holds
// what fit, for showing only).
bool formRecordFolder(const wchar_t* localAppData, wchar_t* folder, int32_t capacity);

// Writes "<folder>\T%03d.csv" with the tool id into path; returns false when
// folder is null or empty or the path does not fit.
bool formRecordFilePath(const wchar_t* folder, int32_t toolId, wchar_t* path, int32_t capacity);

// Writes the header row "时间,工具,<label>...,结果" ending in CR LF; a row too
// long for the capacity is cut but keeps its CR LF.
void buildHeaderRow(const ToolDefinition& tool, wchar_t* row, int32_t capacity);

// Writes one data row: date and time, the tool's name, label=value by "%g"
// for each input, the first 254 units of resultText, CR LF. A null
// resultText counts as empty; a row too long is cut but keeps its CR LF.
void buildDataRow(const ToolDefinition& tool, const double* inputValues, const wchar_t* resultText,
                  const RecordTime& time, wchar_t* row, int32_t capacity);

// Creates every missing level of folder; returns true when folder stands as a
// directory afterwards (false for a null or empty folder).
bool createRecordFolder(const wchar_t* folder);

// Appends row as UTF-8 to the file at path, first writing the byte-order mark
// and header when the file is missing or empty. Each row goes out in one write
// while the file is locked against other savers. Returns true only when the
// whole row was written; false when the file cannot be opened, locked or
// written.
bool appendRecordRow(const wchar_t* path, const wchar_t* header, const wchar_t* row);

// The Save command (button IDC_SAVE): appends the last result to the record
// file and tells the user, in a box and the status line, whether it was saved.
// Without a result it only asks for a calculation first.
void onSave(MainWindowState& state);
