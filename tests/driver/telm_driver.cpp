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
//   telm_driver count X Y W H RRGGBB number of pixels of exactly that colour
//                                    in the client box {X, Y, X+W, Y+H}
//   telm_driver match-text X Y W H FACE HEIGHT WEIGHT FLAGS INK PAPER TEXT
//                                    draws TEXT as DrawTextW would (one line,
//                                    vertically centred, end ellipsis, FLAGS
//                                    added, font FACE of HEIGHT pixels and
//                                    WEIGHT, colour INK on PAPER, both
//                                    RRGGBB) and prints how many pixels of the
//                                    client box differ from it by more than
//                                    blending noise: 0 when the window shows
//                                    that text there
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

BOOL CALLBACK pickVisibleMain(HWND window, LPARAM found) {
    if (className(window) == MAIN_CLASS && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The visible main window; one still being made or destroyed is passed over.
HWND findMainWindow() {
    HWND found = nullptr;
    EnumWindows(pickVisibleMain, reinterpret_cast<LPARAM>(&found));
    return found;
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

int usage() {
    std::fputs("usage: telm_driver "
               "wait|info|text|set|click|pixel|count|match-text|box|nobox|answer|clipboard|"
               "set-clipboard|hold-clipboard|close ...\n",
               stderr);
    return 2;
}

COLORREF colourArgument(const wchar_t* text) {
    const unsigned long value = std::wcstoul(text, nullptr, 16);
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

// A top-down 32-bit bitmap of width x height whose pixels can be read.
struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    const DWORD* pixels;
};

Canvas makeCanvas(int width, int height) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Canvas canvas = {};
    canvas.dc = CreateCompatibleDC(nullptr);
    canvas.bitmap = CreateDIBSection(canvas.dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    canvas.previous = SelectObject(canvas.dc, canvas.bitmap);
    canvas.pixels = static_cast<const DWORD*>(bits);
    return canvas;
}

void freeCanvas(Canvas& canvas) {
    SelectObject(canvas.dc, canvas.previous);
    DeleteObject(canvas.bitmap);
    DeleteDC(canvas.dc);
}

// The client box {x, y, x+width, y+height} of window as the screen shows it.
Canvas grab(HWND window, int x, int y, int width, int height) {
    Canvas canvas = makeCanvas(width, height);
    HDC dc = GetDC(window);
    BitBlt(canvas.dc, 0, 0, width, height, dc, x, y, SRCCOPY);
    ReleaseDC(window, dc);
    GdiFlush();
    return canvas;
}

int countColour(HWND window, int argc, wchar_t** argv) {
    if (argc < 7) {
        return usage();
    }
    const int width = number(argv[4]);
    const int height = number(argv[5]);
    const COLORREF wanted = colourArgument(argv[6]);
    const DWORD wantedPixel =
        (GetRValue(wanted) << 16) | (GetGValue(wanted) << 8) | GetBValue(wanted);
    Canvas screen = grab(window, number(argv[2]), number(argv[3]), width, height);
    long count = 0;
    for (int i = 0; i < width * height; ++i) {
        count += (screen.pixels[i] & 0xFFFFFF) == wantedPixel;
    }
    freeCanvas(screen);
    write(std::to_string(count) + "\n");
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
    GetWindowRect(icon, &rect);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    Canvas screen = grab(box, rect.left, rect.top, width, height);
    int yellow = 0;
    int blue = 0;
    for (int i = 0; i < width * height; ++i) {
        const int red = (screen.pixels[i] >> 16) & 0xFF;
        const int green = (screen.pixels[i] >> 8) & 0xFF;
        const int blueValue = screen.pixels[i] & 0xFF;
        if (red > 200 && green > 80 && blueValue < 100) {
            ++yellow;
        } else if (blueValue > 150 && red < 120 && blueValue > green) {
            ++blue;
        }
    }
    freeCanvas(screen);
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

// Glyph edges blended onto the window and onto a bitmap differ by a level or
// two, and the hairline rule under a panel heading by 27 from white; a
// different text differs by far more, in dozens of pixels.
constexpr int EDGE_TOLERANCE = 32;

bool closeColours(DWORD first, DWORD second) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((first >> shift) & 0xFF);
        const int b = static_cast<int>((second >> shift) & 0xFF);
        if (std::abs(a - b) > EDGE_TOLERANCE) {
            return false;
        }
    }
    return true;
}

int matchText(HWND window, int argc, wchar_t** argv) {
    if (argc < 13) {
        return usage();
    }
    const int width = number(argv[4]);
    const int height = number(argv[5]);
    Canvas expected = makeCanvas(width, height);
    HBRUSH paper = CreateSolidBrush(colourArgument(argv[11]));
    RECT box = {0, 0, width, height};
    FillRect(expected.dc, &box, paper);
    DeleteObject(paper);
    HFONT font = CreateFontW(-number(argv[7]), 0, 0, 0, number(argv[8]), FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, argv[6]);
    HGDIOBJ previousFont = SelectObject(expected.dc, font);
    SetBkMode(expected.dc, TRANSPARENT);
    SetTextColor(expected.dc, colourArgument(argv[10]));
    DrawTextW(expected.dc, argv[12], -1, &box,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | static_cast<UINT>(number(argv[9])));
    SelectObject(expected.dc, previousFont);
    DeleteObject(font);
    GdiFlush();
    Canvas screen = grab(window, number(argv[2]), number(argv[3]), width, height);
    long differing = 0;
    for (int i = 0; i < width * height; ++i) {
        differing += !closeColours(screen.pixels[i], expected.pixels[i]);
    }
    freeCanvas(screen);
    freeCanvas(expected);
    write(std::to_string(differing) + "\n");
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
    if (command == L"count") {
        return countColour(window, argc, argv);
    }
    if (command == L"match-text") {
        return matchText(window, argc, argv);
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
