// telm_records_helper: what the end-to-end tests of the Save command need
// besides the window driver.
//
//   telm_records_helper hold PATH     opens the existing file PATH with no
//                                     sharing at all, as a program that keeps
//                                     a file to itself does; prints "held" and
//                                     keeps it open until standard input ends
//   telm_records_helper icon TITLE    prints the kind of icon that the open
//                                     message box with TITLE shows on screen:
//                                     "warning", "information" or "other"
//   telm_records_helper save-all ROUNDS
//                                     clicks Save in every open main window
//                                     at the same moment, ROUNDS times; after
//                                     each round presses OK in every "已保存"
//                                     box. Fails at once on a "保存失败" box
//                                     or when a box does not come
//
// Exit code 0 on success, 1 when the file cannot be opened, no window or
// box is there or a save fails, 2 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

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

// A box that has been answered is hidden at once but, without a window
// manager, lingers for seconds before Wine destroys it: only visible boxes
// count.
HWND visibleBox(const wchar_t* title) {
    for (HWND box = FindWindowExW(nullptr, nullptr, BOX_CLASS, title); box;
         box = FindWindowExW(nullptr, box, BOX_CLASS, title)) {
        if (IsWindowVisible(box)) {
            return box;
        }
    }
    return nullptr;
}

// Presses OK in one "已保存" box per window; false on a failure box or when
// the boxes do not all come in time.
bool answerConfirmations(int count) {
    const ULONGLONG end = GetTickCount64() + BOX_WAIT_MS;
    int answered = 0;
    while (answered < count) {
        if (visibleBox(L"保存失败")) {
            std::fputs("a save failed\n", stderr);
            return false;
        }
        if (HWND box = visibleBox(L"已保存")) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            while (IsWindowVisible(box) && GetTickCount64() < end) {
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

// Read from the screen: the icon control belongs to another process, whose
// window surface a DC of the control itself does not reach under Wine. The
// warning icon is mostly yellow, the information icon mostly blue.
int iconKind(const wchar_t* title) {
    HWND box = visibleBox(title);
    HWND icon = nullptr;
    for (HWND child = box ? GetWindow(box, GW_CHILD) : nullptr; child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            icon = child;
        }
    }
    if (!icon) {
        std::fputs("no message box with an icon\n", stderr);
        return 1;
    }
    RECT rect;
    GetWindowRect(icon, &rect);
    HDC screen = GetDC(nullptr);
    int yellow = 0;
    int blue = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const COLORREF colour = GetPixel(screen, x, y);
            const int red = GetRValue(colour);
            const int green = GetGValue(colour);
            const int blueValue = GetBValue(colour);
            if (red > 180 && green > 140 && blueValue < 100) {
                ++yellow;
            } else if (blueValue > 130 && red < 120 && blueValue > green + 30) {
                ++blue;
            }
        }
    }
    ReleaseDC(nullptr, screen);
    std::fputs(yellow > 20 && yellow > blue ? "warning"
               : blue > 20 && blue > yellow ? "information"
                                            : "other",
               stdout);
    return 0;
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
    std::printf("%d windows saved %d times each", found.count, rounds);
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"hold") == 0) {
        return hold(argv[2]);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"icon") == 0) {
        return iconKind(argv[2]);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"save-all") == 0) {
        return saveAll(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    }
    std::fputs("usage: telm_records_helper hold PATH | icon TITLE | save-all ROUNDS\n", stderr);
    return 2;
}
