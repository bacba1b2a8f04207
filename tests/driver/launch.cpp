// Starts a program with an exact raw command line, for tests of command-line
// reading: Wine builds a command line from separate arguments with its own
// quoting, which cannot express trailing blanks or a bare pair of quotes.
// The command line is taken from the environment variable TELM_CMDLINE; the
// child runs in the current folder and its exit code becomes ours (255 when
// it cannot be started).
#include <windows.h>

int wmain() {
    static wchar_t commandLine[32768];
    if (GetEnvironmentVariableW(L"TELM_CMDLINE", commandLine, 32768) == 0) {
        return 255;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 255;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 255;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(exitCode);
}
