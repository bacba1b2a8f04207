#include "ui/painting.h"

#include "engine/text.h"
#include "ui/window_texts.h"

namespace {

const COLORREF BACKGROUND_COLOUR = RGB(244, 247, 249);
const COLORREF HEADER_COLOUR = RGB(0, 108, 150); // also the panel headings
const COLORREF ACCENT_COLOUR = RGB(0, 132, 176);
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF SUBTITLE_COLOUR = RGB(214, 236, 246);
const COLORREF WEB_ADDRESS_COLOUR = RGB(190, 220, 235);
const COLORREF PANEL_OUTLINE = RGB(218, 226, 232);
const COLORREF HEADING_RULE = RGB(228, 234, 238);
const COLORREF BOTTOM_BAR_COLOUR = RGB(236, 241, 244);
const COLORREF MUTED_TEXT = RGB(120, 132, 142); // status, labels, units, reference
const COLORREF BODY_TEXT = RGB(44, 56, 66);

const COLORREF PRIMARY_FILL = RGB(0, 122, 168);
const COLORREF PRIMARY_PRESSED = RGB(0, 100, 138);
const COLORREF PRIMARY_OUTLINE = RGB(0, 106, 148);
const COLORREF SECONDARY_PRESSED = RGB(226, 234, 240);
const COLORREF SECONDARY_OUTLINE = RGB(206, 216, 224);

const UINT TEXT_FLAGS = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

void paintHeader(const MainWindowState& state, HDC dc, int right) {
    fillBox(dc, 0, 0, right, 88, HEADER_COLOUR);
    fillBox(dc, 0, 0, 8, 88, ACCENT_COLOUR);
    drawTextBox(dc, 26, 12, 700, 38, state.tool->name, WHITE, state.titleFont, 0);
    wchar_t subtitle[256];
    formatBounded(subtitle, countOf(subtitle), L"%ls  ·  %ls", state.tool->category,
                  state.tool->subtitle ? state.tool->subtitle : L"");
    drawTextBox(dc, 28, 48, 720, 28, subtitle, SUBTITLE_COLOUR, state.headingFont, 0);
    wchar_t webAddress[64];
    copyBounded(webAddress, countOf(webAddress), MAKER_WEB_ADDRESS);
    drawTextBox(dc, right - 240, 8, 214, 26, webAddress, WEB_ADDRESS_COLOUR, state.smallFont,
                DT_RIGHT);
}

void paintPanels(const MainWindowState& state, HDC dc) {
    fillBox(dc, 20, 96, 440, 552, WHITE);
    frameBox(dc, 20, 96, 440, 552, PANEL_OUTLINE);
    fillBox(dc, 476, 96, 524, 552, WHITE);
    frameBox(dc, 476, 96, 524, 552, PANEL_OUTLINE);
    drawTextBox(dc, 36, 104, 300, 30, L"输入参数", HEADER_COLOUR, state.headingFont, 0);
    drawTextBox(dc, 492, 104, 300, 30, L"计算结果", HEADER_COLOUR, state.headingFont, 0);
    fillBox(dc, 36, 133, 408, 1, HEADING_RULE);
    fillBox(dc, 492, 133, 492, 1, HEADING_RULE);
}

} // namespace

void drawTextBox(HDC dc, int x, int y, int width, int height, const wchar_t* text, COLORREF colour,
                 HFONT font, UINT extraFlags) {
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    RECT box = {x, y, x + width, y + height};
    DrawTextW(dc, text, -1, &box, TEXT_FLAGS | extraFlags);
    SelectObject(dc, previousFont);
}

void fillBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT box = {x, y, x + width, y + height};
    FillRect(dc, &box, brush);
    DeleteObject(brush);
}

void frameBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ previousPen = SelectObject(dc, pen);
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x, y, x + width, y + height);
    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
    DeleteObject(pen);
}

void paintMainWindow(const MainWindowState& state, HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const int right = client.right;
    const int bottom = client.bottom;
    fillBox(dc, 0, 0, right, bottom, BACKGROUND_COLOUR);
    paintHeader(state, dc, right);
    paintPanels(state, dc);
    fillBox(dc, 0, 660, right, 60, BOTTOM_BAR_COLOUR);
    drawTextBox(dc, 740, 704, 264, 16, state.statusText, MUTED_TEXT, state.smallFont, DT_RIGHT);
    EndPaint(window, &paint);
}

void drawButton(const MainWindowState& state, const DRAWITEMSTRUCT& item) {
    const bool primary = item.CtlID == IDC_CALCULATE;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const RECT& box = item.rcItem;
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    COLORREF fill = primary ? (pressed ? PRIMARY_PRESSED : PRIMARY_FILL)
                            : (pressed ? SECONDARY_PRESSED : WHITE);
    fillBox(item.hDC, box.left, box.top, width, height, fill);
    frameBox(item.hDC, box.left, box.top, width, height,
             primary ? PRIMARY_OUTLINE : SECONDARY_OUTLINE);

    wchar_t caption[64];
    GetWindowTextW(item.hwndItem, caption, countOf(caption));
    HGDIOBJ previousFont = SelectObject(item.hDC, state.buttonFont);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, primary ? WHITE : BODY_TEXT);
    RECT textBox = box;
    DrawTextW(item.hDC, caption, -1, &textBox,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    SelectObject(item.hDC, previousFont);
}

COLORREF verdictColour(SeverityLevel level) {
    switch (level) {
    case 1:
        return RGB(176, 132, 0);
    case 2:
        return RGB(214, 108, 0);
    case 3:
        return RGB(190, 30, 45);
    default:
        return RGB(0, 128, 96);
    }
}

COLORREF staticTextColour(const MainWindowState& state, HWND control) {
    if (control == state.verdictLabel) {
        return verdictColour(state.currentLevel);
    }
    if (control == state.resultEdit || control == state.hintLabel) {
        return BODY_TEXT;
    }
    return MUTED_TEXT;
}
