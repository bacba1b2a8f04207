// Starts and ends at once: what any Windows program of this toolchain costs
// to load, against which TelmMedTool's self-test is measured.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
