// Program entry: the headless self-test or the main window.
#include "app/command_line.h"
#include "app/self_test.h"
#include "engine/text.h"
#include "engine/tool.h"
#include "ui/main_window.h"

#include <windows.h>

// The pre-split arguments are not used: the switch may stand anywhere in the
// raw command line, glued to other text or inside quotes.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    wchar_t reportPath[REPORT_PATH_CAPACITY];
    if (findSelfTestSwitch(GetCommandLineW(), reportPath, countOf(reportPath))) {
        return runSelfTest(reportPath);
    }
    SetProcessDPIAware();
    return runMainWindow(instance, builtInTool());
}
