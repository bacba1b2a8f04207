// The main window: one tool shown as a fixed-size form.
#pragma once

#include "engine/tool.h"

#include <windows.h>

// Opens the main window for tool, runs the message loop until the window is
// closed and returns 0; returns 1 when the window cannot be created.
int runMainWindow(HINSTANCE instance, const ToolDefinition& tool);
