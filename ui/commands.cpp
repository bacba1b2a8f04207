#include "ui/commands.h"

#include "engine/text.h"
#include "ui/window_texts.h"

#include <cmath>
#include <cwchar>

namespace {

// Field text read per entry; longer entries are cut, which no number needs.
constexpr int FIELD_TEXT_CAPACITY = 128;
// Default values shown as "%.6g" fit easily.
constexpr int DEFAULT_TEXT_CAPACITY = 64;
constexpr int ABOUT_TEXT_CAPACITY = 1400;

// Warns about the entry at index and gives its field the focus.
void refuseEntry(const MainWindowState& state, int index) {
    wchar_t message[256];
    formatBounded(message, countOf(message), L"第 %d 项“%ls”请输入数字。", index + 1,
                  state.tool->inputs[index].label);
    MessageBoxW(state.mainWindow, message, L"输入有误", MB_OK | MB_ICONWARNING);
    SetFocus(state.inputEdits[index]);
}

void setStatus(MainWindowState& state, const wchar_t* text) {
    copyBounded(state.statusText, countOf(state.statusText), text);
    InvalidateRect(state.mainWindow, nullptr, FALSE);
}

} // namespace

bool readEntry(const wchar_t* text, double* value) {
    while (*text == L' ') {
        ++text;
    }
    if (*text == L'\0') {
        *value = 0.0;
        return true;
    }
    wchar_t* end = nullptr;
    const double parsed = wcstod(text, &end);
    if (end == text || !std::isfinite(parsed)) {
        return false;
    }
    *value = parsed;
    return true;
}

bool putOnClipboard(HWND owner, const wchar_t* name, const wchar_t* text) {
    if (!OpenClipboard(owner)) {
        return false;
    }
    EmptyClipboard();
    const SIZE_T bytes = (static_cast<SIZE_T>(textLength(text)) + textLength(name)) * 2 + 32;
    // Zero-filled: Wine hands X the whole block, past the terminating zero.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    bool placed = false;
    if (block) {
        auto* target = static_cast<wchar_t*>(GlobalLock(block));
        if (target) {
            formatBounded(target, static_cast<int32_t>(bytes / 2), L"%ls\r\n%ls", name, text);
            GlobalUnlock(block);
            placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        }
        // Only a block that the clipboard took belongs to it.
        if (!placed) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return placed;
}

void onCalculate(MainWindowState& state) {
    const ToolDefinition& tool = *state.tool;
    // Values are kept only when every entry passes, so that the stored values
    // always belong to the result on show.
    double values[MAX_TOOL_INPUTS] = {};
    for (int i = 0; i < tool.inputCount; ++i) {
        wchar_t text[FIELD_TEXT_CAPACITY];
        text[0] = L'\0';
        GetWindowTextW(state.inputEdits[i], text, countOf(text));
        if (!readEntry(text, &values[i])) {
            refuseEntry(state, i);
            return;
        }
    }
    for (int i = 0; i < tool.inputCount; ++i) {
        state.inputValues[i] = values[i];
    }

    wchar_t result[4096];
    wchar_t verdict[512];
    evaluateTool(tool, state.inputValues, result, countOf(result), verdict, countOf(verdict),
                 &state.currentLevel, state.lastResultText, countOf(state.lastResultText));
    state.clipboardText[0] = L'\0';
    SetWindowTextW(state.resultEdit, result);
    SetWindowTextW(state.verdictLabel, verdict);
    if (tool.reportKind != FormulaTool) {
        copyBounded(state.clipboardText, countOf(state.clipboardText), result);
    } else {
        // The result's last line ends in CR LF, so the verdict gets its own line.
        formatBounded(state.clipboardText, countOf(state.clipboardText), L"%ls—— %ls", result,
                      verdict);
    }
    InvalidateRect(state.verdictLabel, nullptr, TRUE);
    InvalidateRect(state.mainWindow, nullptr, FALSE);
    formatBounded(state.statusText, countOf(state.statusText), L"计算完成  %ls", tool.name);
    InvalidateRect(state.mainWindow, nullptr, FALSE);
    SetFocus(state.mainWindow);
}

void onCopyResult(MainWindowState& state) {
    if (state.lastResultText[0] == L'\0') {
        MessageBoxW(state.mainWindow, L"请先点击“计算”生成结果。", L"提示",
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    // A failed copy must say so: otherwise the clipboard's old content would
    // be pasted as if it were this result.
    if (putOnClipboard(state.mainWindow, state.tool->name, state.clipboardText)) {
        setStatus(state, L"结果已复制到剪贴板");
    } else {
        setStatus(state, L"复制失败，请重试");
    }
}

void onReset(MainWindowState& state) {
    const ToolDefinition& tool = *state.tool;
    for (int i = 0; i < tool.inputCount; ++i) {
        wchar_t text[DEFAULT_TEXT_CAPACITY];
        formatBounded(text, countOf(text), L"%.6g", tool.inputs[i].defaultValue);
        SetWindowTextW(state.inputEdits[i], text);
    }
    SetWindowTextW(state.resultEdit, L"");
    SetWindowTextW(state.verdictLabel, VERDICT_PLACEHOLDER);
    SetWindowTextW(state.hintLabel, tool.hint ? tool.hint : L"");
    copyBounded(state.statusText, countOf(state.statusText), L"已恢复默认值");
    state.lastResultText[0] = L'\0';
    state.currentLevel = 0;
    InvalidateRect(state.mainWindow, nullptr, FALSE);
}

void onAbout(const MainWindowState& state) {
    const ToolDefinition& tool = *state.tool;
    wchar_t text[ABOUT_TEXT_CAPACITY];
    formatBounded(text, countOf(text),
                  L"%ls\r\n"
                  L"\r\n"
                  L"分类：%ls\r\n"
                  L"参考依据：%ls\r\n"
                  L"\r\n"
                  L"本工具为临床辅助计算/记录工具，结果不能替代医师诊疗判断，\r\n"
                  L"具体用药与处置请结合患者实际情况及本院规范执行。\r\n"
                  L"\r\n"
                  L"版本 V1.0    官网：%ls",
                  tool.name, tool.category, tool.reference, MAKER_WEB_ADDRESS);
    MessageBoxW(state.mainWindow, text, L"关于本工具", MB_OK | MB_ICONINFORMATION);
}
