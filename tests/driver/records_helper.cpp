// telm_records_helper: what the end-to-end tests of the Save command need
// besides the window driver.
//
//   telm_records_helper hold PATH     opens the existing file PATH with no
//                                     sharing at all, as a program that keeps
//                                     a file to itself does; prints "held" and
//                                     keeps it open until standard input ends
//   telm_records_helper status TEXT   succeeds when the main window's status
//                                     line shows TEXT: draws TEXT as the
//                                     window draws its status line and
//                                     compares the pixels; prints how many
//                                     differ
//   telm_records_helper save-all ROUNDS
//                                     clicks Save in every open main window
//                                     at the same moment, ROUNDS times; after
//                                     each round presses OK in every "已保存"
//                                     box. Fails at once on a "保存失败" box
//                                     or when a box does not come
//
// Exit code 0 on success, 1 when the file cannot be opened, the window is
// not there or the status line shows something else, 2 for a bad command
// line.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// The status line's box in the main window's client area, its font, the
// bottom bar behind it and its text colour.
constexpr int STATUS_X = 740;
constexpr int STATUS_Y = 704;
constexpr int STATUS_WIDTH = 264;
constexpr int STATUS_HEIGHT = 16;
constexpr COLORREF BAR_COLOUR = RGB(236, 241, 244);
constexpr COLORREF STATUS_COLOUR = RGB(120, 132, 142);
constexpr UINT STATUS_FORMAT = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_RIGHT;

const wchar_t MAIN_CLASS[] = L"TelmMedToolWnd";
const wchar_t BOX_CLASS[] = L"#32770";
constexpr int SAVE_BUTTON_ID = 1002;
constexpr int MAX_WINDOWS = 8;
constexpr DWORD BOX_WAIT_MS = 10000;
constexpr DWORD POLL_MS = 5;

struct MainWindows {
    HWND windows[MAX_WINDOWS];
    int count;
};

BOOL CALLBACK collectMainWindow(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<MainWindows*>(context);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wcscmp(name, MAIN_CLASS) == 0 && IsWindowVisible(window) &&
        found->count < MAX_WINDOWS) {
        found->windows[found->count++] = window;
    }
    return TRUE;
}

// Presses OK in one "已保存" box per window; false on a failure box or when
// the boxes do not all come in time.
bool answerConfirmations(int count) {
    const ULONGLONG end = GetTickCount64() + BOX_WAIT_MS;
    int answered = 0;
    while (answered < count) {
        if (FindWindowW(BOX_CLASS, L"保存失败")) {
            std::fputs("a save failed\n", stderr);
            return false;
        }
        HWND box = FindWindowW(BOX_CLASS, L"已保存");
        if (box && IsWindowVisible(box)) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            while (IsWindow(box) && GetTickCount64() < end) {
                Sleep(POLL_MS);
            }
            ++answered;
        }
        if (GetTickCount64() >= end) {
            std::fputs("confirmation box did not come\n", stderr);
            return false;
        }
        Sleep(POLL_MS);
    }
    return true;
}

int saveAll(int rounds) {
    MainWindows found = {};
    EnumWindows(collectMainWindow, reinterpret_cast<LPARAM>(&found));
    if (found.count == 0 || rounds < 1) {
        std::fputs("no main window\n", stderr);
        return 1;
    }
    for (int round = 0; round < rounds; ++round) {
        // Posted, so that every window starts saving at once and this
        // process is not held by the box that each save opens.
        for (int i = 0; i < found.count; ++i) {
            PostMessageW(GetDlgItem(found.windows[i], SAVE_BUTTON_ID), BM_CLICK, 0, 0);
        }
        if (!answerConfirmations(found.count)) {
            std::fprintf(stderr, "round %d of %d\n", round + 1, rounds);
            return 1;
        }
    }
    std::printf("%d windows saved %d times each\n", found.count, rounds);
    return 0;
}

int hold(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
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

int compareStatus(const wchar_t* expected) {
    HWND window = FindWindowW(L"TelmMedToolWnd", nullptr);
    if (!window) {
        std::fputs("main window not found\n", stderr);
        return 1;
    }
    HDC windowDc = GetDC(window);
    HDC drawn = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, STATUS_WIDTH, STATUS_HEIGHT);
    HGDIOBJ oldBitmap = SelectObject(drawn, bitmap);
    RECT box = {0, 0, STATUS_WIDTH, STATUS_HEIGHT};
    HBRUSH bar = CreateSolidBrush(BAR_COLOUR);
    FillRect(drawn, &box, bar);
    DeleteObject(bar);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"Microsoft YaHei UI");
    HGDIOBJ oldFont = SelectObject(drawn, font);
    SetBkMode(drawn, TRANSPARENT);
    SetTextColor(drawn, STATUS_COLOUR);
    DrawTextW(drawn, expected, -1, &box, STATUS_FORMAT);
    int differing = 0;
    for (int y = 0; y < STATUS_HEIGHT; ++y) {
        for (int x = 0; x < STATUS_WIDTH; ++x) {
            if (GetPixel(drawn, x, y) != GetPixel(windowDc, STATUS_X + x, STATUS_Y + y)) {
                ++differing;
            }
        }
    }
    SelectObject(drawn, oldFont);
    DeleteObject(font);
    SelectObject(drawn, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(drawn);
    ReleaseDC(window, windowDc);
    std::printf("%d\n", differing);
    return differing == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"hold") == 0) {
        return hold(argv[2]);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"status") == 0) {
        return compareStatus(argv[2]);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"save-all") == 0) {
        return saveAll(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    }
    std::fputs("usage: telm_records_helper hold PATH | status TEXT | save-all ROUNDS\n", stderr);
    return 2;
}
