// The one record that the main window, its commands and the record file
// share. It lives for the whole process and is zero-filled at start.
#pragma once

#include "engine/tool.h"

#include <windows.h>

// Command ids of the five buttons, routed by the window procedure.
constexpr int IDC_CALCULATE = 1001;
constexpr int IDC_SAVE = 1002;
constexpr int IDC_COPY = 1003;
constexpr int IDC_RESET = 1004;
constexpr int IDC_ABOUT = 1005;
// Edit field of input i has id IDC_INPUT_FIRST + i.
constexpr int IDC_INPUT_FIRST = 2000;
constexpr int IDC_RESULT = 3000;

struct MainWindowState {
    HINSTANCE instance;
    HWND mainWindow;
    const ToolDefinition* tool; // not owned; outlives the window
    SeverityLevel currentLevel; // colours the verdict line
    HWND inputEdits[MAX_TOOL_INPUTS];
    HWND resultEdit;
    HWND verdictLabel;
    HWND hintLabel;
    HFONT titleFont;
    HFONT headingFont;
    HFONT labelFont;
    HFONT inputFont;
    HFONT verdictFont;
    HFONT resultFont;
    HFONT buttonFont;
    HFONT smallFont;
    HBRUSH whiteBrush;
    HBRUSH backgroundBrush;
    wchar_t lastResultText[8192]; // empty: no result yet
    wchar_t clipboardText[1024];
    wchar_t statusText[256];
    double inputValues[MAX_TOOL_INPUTS]; // read by the last accepted Calculate
};

// The process-wide window state, defined in main_window.cpp.
extern MainWindowState mainWindowState;
