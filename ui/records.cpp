#include "ui/records.h"

#include "engine/text.h"

#include <shlobj.h>
#include <windows.h>

namespace {

const wchar_t RECORD_SUBFOLDER[] = L"\\TelmMedSuite\\records";

// Shown in place of the folder when the shell cannot name the user's local
// application-data folder: a Windows user knows it by this name.
const wchar_t UNKNOWN_LOCAL_APPDATA[] = L"%LOCALAPPDATA%";

// SHGetFolderPathW writes at most MAX_PATH units; the rest is headroom.
constexpr int32_t SHELL_FOLDER_CAPACITY = 512;

// Pieces of a row, each formatted on its own and then appended. The result
// piece holds the comma and at most 254 units of the result text.
constexpr int32_t ROW_PIECE_CAPACITY = 128;
constexpr int32_t RESULT_PIECE_CAPACITY = 256;

// Room for a file name "T<id>.csv" with any 32-bit id.
constexpr int32_t FILE_NAME_CAPACITY = 32;

// UTF-8 needs at most three bytes per UTF-16 unit (a surrogate pair's two
// units make four), so a buffer of this size converts any row that its
// capacity allows; no row is lost for its length.
constexpr int32_t UTF8_BYTES_PER_UNIT = 3;
const char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";
constexpr int32_t BYTE_ORDER_MARK_LENGTH = 3;
constexpr int32_t UTF8_ROW_CAPACITY =
    BYTE_ORDER_MARK_LENGTH + UTF8_BYTES_PER_UNIT * RECORD_ROW_CAPACITY;

// Savers lock one byte far past any record's end: the lock serialises the
// header decision and the row writes of several program instances without
// keeping spreadsheets from reading the records meanwhile. Another saver holds
// it for milliseconds; a lock held for seconds belongs to something stuck, and
// the user is told that the save failed instead of being kept waiting.
constexpr DWORD LOCK_OFFSET_HIGH = 0x40000000; // byte 2^62
constexpr int32_t LOCK_ATTEMPTS = 200;
constexpr DWORD LOCK_RETRY_MS = 10;

int32_t usedInputCount(const ToolDefinition& tool) {
    if (!tool.inputs || tool.inputCount < 0) {
        return 0;
    }
    return tool.inputCount < MAX_TOOL_INPUTS ? tool.inputCount : MAX_TOOL_INPUTS;
}

// A text cut inside a surrogate pair would reach the file as a replacement
// character; the half pair is dropped instead.
void dropTrailingHalfPair(wchar_t* text) {
    const int32_t length = textLength(text);
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) {
        text[length - 1] = 0;
    }
}

// Writes prefix and then text as UTF-8 in one WriteFile call; true when every
// byte went out. A text too long for the buffer writes nothing.
bool writeUtf8(HANDLE file, const char* prefix, int32_t prefixLength, const wchar_t* text) {
    char bytes[UTF8_ROW_CAPACITY];
    if (prefixLength < 0 || prefixLength > BYTE_ORDER_MARK_LENGTH) {
        return false;
    }
    for (int32_t i = 0; i < prefixLength; ++i) {
        bytes[i] = prefix[i];
    }
    const int converted = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes + prefixLength,
                                              UTF8_ROW_CAPACITY - prefixLength, nullptr, nullptr);
    if (converted <= 0) {
        return false;
    }
    const DWORD size = static_cast<DWORD>(prefixLength + converted - 1); // no terminating zero
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

bool lockForSaving(HANDLE file, OVERLAPPED& where) {
    for (int32_t attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &where)) {
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) {
            return false;
        }
        Sleep(LOCK_RETRY_MS);
    }
    return false;
}

// Size test, header and row, all under the saving lock.
bool appendLocked(HANDLE file, const wchar_t* header, const wchar_t* row) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size)) {
        return false;
    }
    if (size.QuadPart == 0 &&
        !writeUtf8(file, BYTE_ORDER_MARK, BYTE_ORDER_MARK_LENGTH, header ? header : L"")) {
        return false;
    }
    return writeUtf8(file, "", 0, row);
}

void reportSaveFailure(MainWindowState& state, const wchar_t* where) {
    formatBounded(state.statusText, countOf(state.statusText), L"保存失败：%ls", where);
    InvalidateRect(state.mainWindow, nullptr, FALSE);
    wchar_t message[RECORD_PATH_CAPACITY + 16];
    formatBounded(message, countOf(message), L"记录未能保存：%ls", where);
    MessageBoxW(state.mainWindow, message, L"保存失败", MB_ICONWARNING | MB_OK);
}

} // namespace

bool formRecordFolder(const wchar_t* localAppData, wchar_t* folder, int32_t capacity) {
    if (!folder || capacity < 1) {
        return false;
    }
    formatBounded(folder, capacity, L"%ls%ls", localAppData ? localAppData : L"", RECORD_SUBFOLDER);
    const int32_t needed = textLength(localAppData) + textLength(RECORD_SUBFOLDER);
    return textLength(localAppData) > 0 && needed < capacity;
}

bool formRecordFilePath(const wchar_t* folder, int32_t toolId, wchar_t* path, int32_t capacity) {
    if (!path || capacity < 1) {
        return false;
    }
    wchar_t name[FILE_NAME_CAPACITY];
    formatBounded(name, countOf(name), L"T%03d.csv", toolId);
    formatBounded(path, capacity, L"%ls\\%ls", folder ? folder : L"", name);
    const int32_t needed = textLength(folder) + 1 + textLength(name);
    return textLength(folder) > 0 && needed < capacity;
}

void buildHeaderRow(const ToolDefinition& tool, wchar_t* row, int32_t capacity) {
    if (!row || capacity < 1) {
        return;
    }
    row[0] = 0;
    // The columns stop short of the last two units, so a cut row still ends
    // its line and the first data row does not join it.
    const int32_t columnsCapacity = capacity - 2;
    appendBounded(row, columnsCapacity, L"时间,工具");
    for (int32_t i = 0; i < usedInputCount(tool); ++i) {
        wchar_t piece[ROW_PIECE_CAPACITY];
        formatBounded(piece, countOf(piece), L",%ls", tool.inputs[i].label);
        appendBounded(row, columnsCapacity, piece);
    }
    appendBounded(row, columnsCapacity, L",结果");
    appendBounded(row, capacity, L"\r\n");
}

void buildDataRow(const ToolDefinition& tool, const double* inputValues, const wchar_t* resultText,
                  const RecordTime& time, wchar_t* row, int32_t capacity) {
    if (!row || capacity < 1) {
        return;
    }
    row[0] = 0;
    const int32_t fieldsCapacity = capacity - 2; // keeps room for CR LF, as the header
    if (fieldsCapacity > 0) {
        formatBounded(row, fieldsCapacity, L"%04d-%02d-%02d %02d:%02d:%02d,%ls", time.year,
                      time.month, time.day, time.hour, time.minute, time.second, tool.name);
    }
    for (int32_t i = 0; inputValues && i < usedInputCount(tool); ++i) {
        wchar_t piece[ROW_PIECE_CAPACITY];
        formatBounded(piece, countOf(piece), L",%ls=%g", tool.inputs[i].label, inputValues[i]);
        appendBounded(row, fieldsCapacity, piece);
    }
    wchar_t resultPiece[RESULT_PIECE_CAPACITY];
    formatBounded(resultPiece, countOf(resultPiece), L",%ls", resultText ? resultText : L"");
    dropTrailingHalfPair(resultPiece);
    appendBounded(row, fieldsCapacity, resultPiece);
    appendBounded(row, capacity, L"\r\n");
}

bool createRecordFolder(const wchar_t* folder) {
    const int32_t length = textLength(folder);
    wchar_t levels[RECORD_PATH_CAPACITY];
    if (length == 0 || length >= countOf(levels)) {
        return false;
    }
    copyBounded(levels, countOf(levels), folder);
    // From the fourth unit on: the root of "C:\" is never created. A level
    // that exists already fails to be created, which is fine.
    for (int32_t i = 3; i < length; ++i) {
        if (levels[i] == L'\\') {
            levels[i] = 0;
            CreateDirectoryW(levels, nullptr);
            levels[i] = L'\\';
        }
    }
    CreateDirectoryW(levels, nullptr);
    const DWORD attributes = GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool appendRecordRow(const wchar_t* path, const wchar_t* header, const wchar_t* row) {
    if (textLength(path) == 0 || !row) {
        return false;
    }
    // Append-only access: every write lands at the end of the file. Read
    // access is there because the lock needs it; other programs may go on
    // reading and writing the file.
    HANDLE file =
        CreateFileW(path, GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    OVERLAPPED where = {};
    where.OffsetHigh = LOCK_OFFSET_HIGH;
    bool written = false;
    if (lockForSaving(file, where)) {
        written = appendLocked(file, header, row);
        UnlockFileEx(file, 0, 1, 0, &where);
    }
    CloseHandle(file);
    return written;
}

void onSave(MainWindowState& state) {
    if (state.lastResultText[0] == 0) {
        MessageBoxW(state.mainWindow, L"请先点击“计算”生成结果，再保存记录。", L"提示",
                    MB_ICONINFORMATION | MB_OK);
        return;
    }
    const ToolDefinition& tool = *state.tool;

    // Zero-filled, so that a failed lookup leaves no stray text behind.
    wchar_t localAppData[SHELL_FOLDER_CAPACITY] = {};
    const bool found = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                        localAppData) == S_OK;
    wchar_t folder[RECORD_FOLDER_CAPACITY];
    if (!found) {
        formRecordFolder(UNKNOWN_LOCAL_APPDATA, folder, countOf(folder));
        reportSaveFailure(state, folder);
        return;
    }
    // A cut folder path would put the records somewhere else entirely.
    if (!formRecordFolder(localAppData, folder, countOf(folder))) {
        reportSaveFailure(state, folder);
        return;
    }
    wchar_t path[RECORD_PATH_CAPACITY];
    if (!formRecordFilePath(folder, tool.id, path, countOf(path))) {
        reportSaveFailure(state, folder);
        return;
    }
    if (!createRecordFolder(folder)) {
        reportSaveFailure(state, path);
        return;
    }

    SYSTEMTIME now;
    GetLocalTime(&now);
    const RecordTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    wchar_t header[RECORD_HEADER_CAPACITY];
    buildHeaderRow(tool, header, countOf(header));
    wchar_t row[RECORD_ROW_CAPACITY];
    buildDataRow(tool, state.inputValues, state.lastResultText, time, row, countOf(row));
    if (!appendRecordRow(path, header, row)) {
        reportSaveFailure(state, path);
        return;
    }

    formatBounded(state.statusText, countOf(state.statusText), L"记录已保存：%ls", path);
    InvalidateRect(state.mainWindow, nullptr, FALSE);
    MessageBoxW(state.mainWindow, L"本次结果已追加保存到本地记录（CSV，可用 Excel 打开）。",
                L"已保存", MB_ICONINFORMATION | MB_OK);
}
