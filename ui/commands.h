// The window's commands Calculate, Copy, Reset and About, working on the
// window state; each shows its outcome in the window or in a message box.
#pragma once

#include "ui/window_state.h"

// Reads one input field's text as a number into *value: leading blanks are
// skipped, an empty entry reads 0 and text after the number is ignored
// ("12kg" reads 12). Returns false, leaving *value alone, when no finite
// number can be read ("abc", "inf", "nan", "1e999", tabs alone).
bool readEntry(const wchar_t* text, double* value);

// Puts "name CR LF text" on the clipboard as Unicode text for owner. Returns
// true only when the clipboard took the text; false when it could not be
// opened or its memory could not be had, the clipboard then holding nothing
// new.
bool putOnClipboard(HWND owner, const wchar_t* name, const wchar_t* text);

// Reads every field; on the first refused entry warns, puts the focus there
// and changes nothing else. Otherwise evaluates the tool, shows result and
// verdict, prepares the clipboard text and moves the focus to the window.
void onCalculate(MainWindowState& state);

// Copies the last result with the tool's name to the clipboard; without a
// result it says that Calculate comes first. The status line tells whether
// the copy happened.
void onCopyResult(MainWindowState& state);

// Puts the default values back and forgets the result.
void onReset(MainWindowState& state);

// Shows the tool's particulars, the disclaimer and the version.
void onAbout(const MainWindowState& state);
