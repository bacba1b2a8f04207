// telm_hold_file: keeps a file open without sharing, as a program that locks
// a file for itself does, so that end-to-end tests can meet a record file
// that cannot be opened.
//
//   telm_hold_file PATH
//
// Opens the existing file PATH with no sharing at all, prints "held" and
// keeps it open until its standard input ends. Exit code 0, or 1 when the
// file cannot be opened, 2 for a bad command line.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "held\n", 5, &written, nullptr);
    // Reads until the test closes the pipe (or dies, which closes it too).
    char buffer[64];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
           read > 0) {
    }
    CloseHandle(file);
    return 0;
}
