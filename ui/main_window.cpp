#include "ui/main_window.h"

#include "engine/text.h"
#include "ui/commands.h"
#include "ui/painting.h"
#include "ui/records.h"
#include "ui/window_state.h"
#include "ui/window_texts.h"

MainWindowState mainWindowState;

namespace {

const wchar_t WINDOW_CLASS[] = L"TelmMedToolWnd";
constexpr int CLIENT_WIDTH = 1020;
constexpr int CLIENT_HEIGHT = 720;
// A caption with system menu and minimise box: no sizing border, no maximise.
constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int ICON_RESOURCE_ID = 1;

// Input rows start at this y and follow each other at this distance.
constexpr int FIRST_ROW_Y = 150;
constexpr int ROW_PITCH = 34;

HFONT makeFont(const wchar_t* face, int height, int weight) {
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

void makeFontsAndBrushes(MainWindowState& state) {
    const wchar_t* uiFace = L"Microsoft YaHei UI";
    state.titleFont = makeFont(uiFace, 27, FW_BOLD);
    state.headingFont = makeFont(uiFace, 14, FW_NORMAL);
    state.labelFont = makeFont(uiFace, 14, FW_NORMAL);
    state.inputFont = makeFont(uiFace, 15, FW_NORMAL);
    state.verdictFont = makeFont(uiFace, 21, FW_BOLD);
    state.resultFont = makeFont(L"Consolas", 15, FW_NORMAL);
    state.buttonFont = makeFont(uiFace, 15, FW_NORMAL);
    state.smallFont = makeFont(uiFace, 12, FW_NORMAL);
    state.whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    state.backgroundBrush = CreateSolidBrush(RGB(244, 247, 249));
}

// The outer size of the window whose client area is CLIENT_WIDTH x
// CLIENT_HEIGHT with this frame, on this system's frame metrics.
SIZE windowSize() {
    RECT frame = {0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    AdjustWindowRect(&frame, WINDOW_STYLE, FALSE);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// Where a child control stands, in the order CreateWindowExW takes it.
struct Place {
    int x;
    int y;
    int width;
    int height;
};

// One child control at its place; its font is set at once when font is given.
HWND makeControl(const MainWindowState& state, const wchar_t* className, DWORD exStyle, DWORD style,
                 Place place, int id, const wchar_t* text, HFONT font) {
    HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, place.x,
                                   place.y, place.width, place.height, state.mainWindow,
                                   reinterpret_cast<HMENU>(INT_PTR{id}), state.instance, nullptr);
    if (font) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    return control;
}

void makeInputRow(MainWindowState& state, int index) {
    const InputField& input = state.tool->inputs[index];
    const int y = FIRST_ROW_Y + ROW_PITCH * index;
    makeControl(state, L"STATIC", 0, SS_RIGHT, Place{24, y + 1, 184, 22}, 0, input.label,
                state.labelFont);
    HWND field =
        makeControl(state, L"EDIT", WS_EX_CLIENTEDGE, ES_AUTOHSCROLL, Place{216, y - 4, 152, 27},
                    IDC_INPUT_FIRST + index, L"", state.inputFont);
    state.inputEdits[index] = field;
    wchar_t text[64];
    formatBounded(text, countOf(text), L"%.6g", input.defaultValue);
    SetWindowTextW(field, text);
    if (input.unit && input.unit[0] != L'\0') {
        makeControl(state, L"STATIC", 0, SS_LEFT, Place{374, y, 78, 22}, 0, input.unit,
                    state.smallFont);
    }
}

struct ButtonSpec {
    int id;
    int x;
    int width;
    const wchar_t* caption;
};

const ButtonSpec BUTTONS[] = {
    {IDC_CALCULATE, 20, 152, L"计算 (F5)"}, {IDC_SAVE, 184, 132, L"保存记录"},
    {IDC_COPY, 328, 132, L"复制结果"},      {IDC_RESET, 472, 132, L"清空重填"},
    {IDC_ABOUT, 616, 110, L"关于"},
};

LRESULT onCreate(MainWindowState& state, HWND window) {
    state.mainWindow = window;
    const ToolDefinition& tool = *state.tool;
    for (int i = 0; i < tool.inputCount; ++i) {
        makeInputRow(state, i);
    }
    state.verdictLabel = makeControl(state, L"STATIC", 0, SS_LEFT, Place{492, 142, 492, 46}, 0,
                                     VERDICT_PLACEHOLDER, state.verdictFont);
    state.resultEdit = makeControl(state, L"EDIT", WS_EX_CLIENTEDGE,
                                   WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                                   Place{492, 196, 492, 232}, IDC_RESULT, L"", state.resultFont);
    state.hintLabel = makeControl(state, L"STATIC", 0, SS_LEFT, Place{492, 444, 492, 120}, 0,
                                  tool.hint ? tool.hint : L"", state.smallFont);
    wchar_t reference[512];
    formatBounded(reference, countOf(reference), L"参考依据：%ls", tool.reference);
    makeControl(state, L"STATIC", 0, SS_LEFT, Place{492, 576, 492, 56}, 0, reference,
                state.smallFont);
    for (const ButtonSpec& button : BUTTONS) {
        makeControl(state, L"BUTTON", 0, BS_OWNERDRAW, Place{button.x, 668, button.width, 40},
                    button.id, button.caption, nullptr);
    }
    copyBounded(state.statusText, countOf(state.statusText), L"就绪：填写参数后按 F5 或点击“计算”");
    return 0;
}

// Both tracking sizes are the window's own size, so it can be neither
// shrunk nor grown, and the clamping that window creation applies to them
// keeps the client area at its design size on any frame metrics.
LRESULT onGetMinMaxInfo(LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    const SIZE size = windowSize();
    info->ptMinTrackSize = {size.cx, size.cy};
    info->ptMaxTrackSize = {size.cx, size.cy};
    return 0;
}

LRESULT onCommand(MainWindowState& state, HWND window, WPARAM wParam, LPARAM lParam) {
    // The notification code is not looked at: owner-drawn buttons send only
    // clicks, and the edit fields' own notifications carry other ids.
    switch (LOWORD(wParam)) {
    case IDC_CALCULATE:
        onCalculate(state);
        return 0;
    case IDC_SAVE:
        onSave(state);
        return 0;
    case IDC_COPY:
        onCopyResult(state);
        return 0;
    case IDC_RESET:
        onReset(state);
        return 0;
    case IDC_ABOUT:
        onAbout(state);
        return 0;
    default:
        return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
    }
}

LRESULT onControlColour(const MainWindowState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (message == WM_CTLCOLOREDIT) {
        SetTextColor(dc, RGB(44, 56, 66));
        SetBkColor(dc, RGB(255, 255, 255));
    } else {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, staticTextColour(state, reinterpret_cast<HWND>(lParam)));
    }
    return reinterpret_cast<LRESULT>(state.whiteBrush);
}

// Enter and F5 anywhere inside the window calculate. Caught here rather than
// in the window procedure because the key goes to the focused control, and
// dropped so that the field neither beeps nor takes a character.
bool isCalculateKey(const MainWindowState& state, const MSG& message) {
    return message.message == WM_KEYDOWN &&
           (message.wParam == VK_RETURN || message.wParam == VK_F5) &&
           IsChild(state.mainWindow, message.hwnd);
}

} // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState& state = mainWindowState;
    switch (message) {
    case WM_CREATE:
        return onCreate(state, window);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paintMainWindow(state, window);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the painting covers the whole client area
    case WM_GETMINMAXINFO:
        return onGetMinMaxInfo(lParam);
    case WM_DRAWITEM:
        drawButton(state, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        return onControlColour(state, message, wParam, lParam);
    case WM_COMMAND:
        return onCommand(state, window, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int runMainWindow(HINSTANCE instance, const ToolDefinition& tool) {
    // The window keeps one field and one value slot per input.
    if (tool.inputCount < 0 || tool.inputCount > MAX_TOOL_INPUTS) {
        return 1;
    }
    MainWindowState& state = mainWindowState;
    state.instance = instance;
    state.tool = &tool;
    state.currentLevel = 0;
    state.lastResultText[0] = L'\0';
    makeFontsAndBrushes(state);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ICON_RESOURCE_ID));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = state.backgroundBrush;
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassExW(&windowClass); // a failure shows as CreateWindowExW failing

    const SIZE size = windowSize();
    const int x = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
    HWND window =
        CreateWindowExW(0, WINDOW_CLASS, tool.name, WINDOW_STYLE, x < 0 ? 0 : x, y < 0 ? 0 : y,
                        size.cx, size.cy, nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    state.mainWindow = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetFocus(state.inputEdits[0]);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (isCalculateKey(state, message)) {
            onCalculate(state);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
