// Painting of the main window: everything that is not a control, the
// owner-drawn buttons and the text colours of the controls.
#pragma once

#include "ui/window_state.h"

#include <windows.h>

// Draws text on one line in the box {x, y, x+width, y+height}, vertically
// centred, cut with an ellipsis, with extraFlags added (DT_RIGHT, say). The
// device context keeps its font.
void drawTextBox(HDC dc, int x, int y, int width, int height, const wchar_t* text, COLORREF colour,
                 HFONT font, UINT extraFlags);

// Fills the box {x, y, x+width, y+height} with a solid colour.
void fillBox(HDC dc, int x, int y, int width, int height, COLORREF colour);

// Outlines the box {x, y, x+width, y+height} with a 1-pixel line; the inside
// is left as it is.
void frameBox(HDC dc, int x, int y, int width, int height, COLORREF colour);

// Paints the whole client area of the main window (header, panels, headings,
// bottom bar, status line) in answer to WM_PAINT.
void paintMainWindow(const MainWindowState& state, HWND window);

// Draws one owner-drawn button, the primary one (Calculate) in the accent
// colour and the others in white, each darker while pressed.
void drawButton(const MainWindowState& state, const DRAWITEMSTRUCT& item);

// Text colour of the verdict line for a level; unknown levels take the
// colour of level 0.
COLORREF verdictColour(SeverityLevel level);

// Text colour of a static control (or the read-only result box).
COLORREF staticTextColour(const MainWindowState& state, HWND control);
