// telm_driver: looks at and drives the running main window (class
// "TelmMedToolWnd") from a second process of the same Wine session, so that
// end-to-end tests can read what a person sees and answer message boxes.
//
//   telm_driver wait [MS]            waits until the main window is visible
//   telm_driver info                 JSON of the main window: title, style,
//                                    window and client rects on screen, focus
//                                    ("main", "none" or the focused control's
//                                    id), children (id, class, text, style,
//                                    x, y, width, height in client coords)
//   telm_driver text ID              text of the child control with id ID
//   telm_driver set ID TEXT          sets a control's text by WM_SETTEXT (for
//                                    entries no keyboard can type, like tabs)
//   telm_driver click ID             posts BM_CLICK to the button with id ID
//   telm_driver pixel X Y [X Y...]   colour at each client point, "RRGGBB"
//   telm_driver box TITLE [MS]       waits for the message box with TITLE and
//                                    prints JSON: text, owner_is_main, icon
//                                    ("warning", "information", "other"),
//                                    ok (screen rect of its OK button)
//   telm_driver nobox TITLE          succeeds when no box with TITLE is open
//   telm_driver answer TITLE [MS]    waits for the box and presses its OK
//   telm_driver clipboard            Unicode text on the clipboard, exactly
//                                    (CR LF kept); exit code 3 when it holds
//                                    no text
//   telm_driver set-clipboard TEXT   puts TEXT on the clipboard
//   telm_driver hold-clipboard MS    opens the clipboard, prints "held", keeps
//                                    it open for MS milliseconds
//   telm_driver close                posts WM_CLOSE to the main window
//
// Texts are printed as UTF-8 without a trailing line break (JSON and pixel
// lists end in one). Exit code 0 on success, 1 when the window or box is not
// there (in time) or the action fails, 2 for a bad command line. MS defaults
// to 10000.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

const wchar_t MAIN_CLASS[] = L"TelmMedToolWnd";
const wchar_t MESSAGE_BOX_CLASS[] = L"#32770";
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;
constexpr DWORD DEFAULT_WAIT_MS = 10000;
constexpr DWORD POLL_MS = 50;
constexpr int TEXT_CAPACITY = 16384;

void write(const std::string& bytes) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::string jsonString(const std::wstring& text) {
    std::string out = "\"";
    for (char c : utf8(text)) {
        const auto unit = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (unit < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unit);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonRect(const RECT& rect) {
    char text[96];
    std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    return text;
}

std::wstring windowText(HWND window) {
    std::wstring text(TEXT_CAPACITY, L'\0');
    const auto length =
        SendMessageW(window, WM_GETTEXT, TEXT_CAPACITY, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

int number(const wchar_t* text) {
    return static_cast<int>(std::wcstol(text, nullptr, 10));
}

DWORD waitTime(int argc, wchar_t** argv, int index) {
    return argc > index ? static_cast<DWORD>(std::wcstoul(argv[index], nullptr, 10))
                        : DEFAULT_WAIT_MS;
}

HWND findMainWindow() {
    HWND window = FindWindowW(MAIN_CLASS, nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

HWND waitForMainWindow(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = findMainWindow()) {
            return window;
        }
        if (GetTickCount64() >= end) {
            return nullptr;
        }
        Sleep(POLL_MS);
    }
}

HWND waitForBox(const wchar_t* title, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND box = FindWindowW(MESSAGE_BOX_CLASS, title);
        if (box && IsWindowVisible(box)) {
            return box;
        }
        if (GetTickCount64() >= end) {
            return nullptr;
        }
        Sleep(POLL_MS);
    }
}

std::string focusOf(HWND mainWindow) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(mainWindow, nullptr), &info) ||
        !info.hwndFocus) {
        return "\"none\"";
    }
    if (info.hwndFocus == mainWindow) {
        return "\"main\"";
    }
    char id[32];
    std::snprintf(id, sizeof id, "\"%d\"", GetDlgCtrlID(info.hwndFocus));
    return id;
}

struct ChildList {
    HWND parent;
    std::string json;
};

BOOL CALLBACK describeChild(HWND child, LPARAM context) {
    auto* list = reinterpret_cast<ChildList*>(context);
    if (GetParent(child) != list->parent) {
        return TRUE;
    }
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, list->parent, reinterpret_cast<POINT*>(&rect), 2);
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "\"id\": %d, \"style\": %lu, ", GetDlgCtrlID(child),
                  static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)));
    if (!list->json.empty()) {
        list->json += ",\n  ";
    }
    list->json += std::string("{") + numbers + "\"class\": " + jsonString(className(child)) +
                  ", \"text\": " + jsonString(windowText(child)) + ", \"rect\": " + jsonRect(rect) +
                  "}";
    return TRUE;
}

int info(HWND window) {
    RECT windowRect;
    GetWindowRect(window, &windowRect);
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ChildList children = {window, {}};
    EnumChildWindows(window, describeChild, reinterpret_cast<LPARAM>(&children));
    char style[96];
    std::snprintf(style, sizeof style, "\"style\": %lu, \"ex_style\": %lu",
                  static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE)),
                  static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE)));
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    write("{\"title\": " + jsonString(windowText(window)) +
          ",\n \"class\": " + jsonString(className(window)) + ",\n " + style +
          ",\n \"window\": " + jsonRect(windowRect) + ",\n \"client\": " + jsonRect(client) +
          ",\n \"screen\": [" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + ", " +
          std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
          "],\n \"iconic\": " + (IsIconic(window) ? "true" : "false") +
          ",\n \"focus\": " + focusOf(window) + ",\n \"children\": [\n  " + children.json + "]}\n");
    return 0;
}

// The kind of icon a message box shows, from the colours of its icon control:
// the warning icon is mostly yellow, the information icon mostly blue.
std::string iconKind(HWND box) {
    HWND icon = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            icon = child;
        }
    }
    if (!icon) {
        return "none";
    }
    RECT rect;
    GetClientRect(icon, &rect);
    HDC dc = GetDC(icon);
    int yellow = 0;
    int blue = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const COLORREF colour = GetPixel(dc, x, y);
            const int red = GetRValue(colour);
            const int green = GetGValue(colour);
            const int blueValue = GetBValue(colour);
            if (red > 180 && green > 140 && blueValue < 100) {
                ++yellow;
            } else if (blueValue > 150 && red < 120 && blueValue > green) {
                ++blue;
            }
        }
    }
    ReleaseDC(icon, dc);
    if (yellow > 20 && yellow > blue) {
        return "warning";
    }
    if (blue > 20 && blue > yellow) {
        return "information";
    }
    return "other";
}

int describeBox(HWND box) {
    HWND mainWindow = findMainWindow();
    HWND ok = GetDlgItem(box, IDOK);
    RECT okRect = {};
    if (ok) {
        GetWindowRect(ok, &okRect);
    }
    HWND text = GetDlgItem(box, MESSAGE_BOX_TEXT_ID);
    const bool ownedByMain = mainWindow && GetWindow(box, GW_OWNER) == mainWindow;
    int buttons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) == L"Button" && IsWindowVisible(child)) {
            ++buttons;
        }
    }
    write("{\"text\": " + jsonString(text ? windowText(text) : L"") + ", \"owner_is_main\": " +
          (ownedByMain ? "true" : "false") + ", \"icon\": \"" + iconKind(box) +
          "\", \"buttons\": " + std::to_string(buttons) + ", \"ok\": " + jsonRect(okRect) + "}\n");
    return 0;
}

int pixels(HWND window, int argc, wchar_t** argv) {
    if (argc < 4 || argc % 2 != 0) {
        return 2;
    }
    HDC dc = GetDC(window);
    std::string out;
    for (int i = 2; i + 1 < argc; i += 2) {
        const COLORREF colour = GetPixel(dc, number(argv[i]), number(argv[i + 1]));
        char text[16];
        std::snprintf(text, sizeof text, "%02X%02X%02X\n", GetRValue(colour), GetGValue(colour),
                      GetBValue(colour));
        out += text;
    }
    ReleaseDC(window, dc);
    write(out);
    return 0;
}

// Another program may hold the clipboard for a moment; try for a second.
bool openClipboard() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(nullptr)) {
            return true;
        }
        Sleep(POLL_MS);
    }
    return false;
}

int readClipboard() {
    if (!openClipboard()) {
        return 1;
    }
    int status = 3;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            const size_t units = GlobalSize(data) / sizeof(wchar_t);
            size_t length = 0;
            while (length < units && text[length] != L'\0') {
                ++length;
            }
            write(utf8(std::wstring(text, length)));
            GlobalUnlock(data);
            status = 0;
        }
    }
    CloseClipboard();
    return status;
}

int writeClipboard(const wchar_t* text) {
    if (!openClipboard()) {
        return 1;
    }
    EmptyClipboard();
    const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    bool placed = false;
    if (block) {
        std::memcpy(GlobalLock(block), text, bytes);
        GlobalUnlock(block);
        placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        if (!placed) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return placed ? 0 : 1;
}

int holdClipboard(DWORD ms) {
    if (!openClipboard()) {
        return 1;
    }
    write("held\n");
    Sleep(ms);
    CloseClipboard();
    return 0;
}

int usage() {
    std::fputs("usage: telm_driver wait|info|text|set|click|pixel|box|nobox|answer|clipboard|"
               "set-clipboard|hold-clipboard|close ...\n",
               stderr);
    return 2;
}

int mainWindowCommand(const std::wstring& command, int argc, wchar_t** argv) {
    HWND window =
        command == L"wait" ? waitForMainWindow(waitTime(argc, argv, 2)) : findMainWindow();
    if (!window) {
        std::fputs("main window not found\n", stderr);
        return 1;
    }
    if (command == L"wait") {
        return 0;
    }
    if (command == L"info") {
        return info(window);
    }
    if (command == L"pixel") {
        return pixels(window, argc, argv);
    }
    if (command == L"close") {
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (argc < 3) {
        return usage();
    }
    HWND control = GetDlgItem(window, number(argv[2]));
    if (!control) {
        std::fputs("control not found\n", stderr);
        return 1;
    }
    if (command == L"text") {
        write(utf8(windowText(control)));
        return 0;
    }
    if (command == L"set" && argc >= 4) {
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
        return 0;
    }
    if (command == L"click") {
        // Posted, not sent: the command may open a modal box, and a sent
        // message would keep this process waiting until the box closes.
        return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
    }
    return usage();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::wstring command = argv[1];
    if (command == L"box" || command == L"answer") {
        if (argc < 3) {
            return usage();
        }
        HWND box = waitForBox(argv[2], waitTime(argc, argv, 3));
        if (!box) {
            std::fputs("message box not found\n", stderr);
            return 1;
        }
        if (command == L"box") {
            return describeBox(box);
        }
        return PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) ? 0 : 1;
    }
    if (command == L"nobox") {
        return argc >= 3 && !FindWindowW(MESSAGE_BOX_CLASS, argv[2]) ? 0 : 1;
    }
    if (command == L"clipboard") {
        return readClipboard();
    }
    if (command == L"set-clipboard") {
        return argc >= 3 ? writeClipboard(argv[2]) : usage();
    }
    if (command == L"hold-clipboard") {
        return argc >= 3 ? holdClipboard(waitTime(argc, argv, 2)) : usage();
    }
    return mainWindowCommand(command, argc, argv);
}
