// Reading the input fields and putting text on the clipboard, as the window's
// Calculate and Copy commands do.
#include "ui/commands.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct AcceptedEntry {
    const wchar_t* text;
    double value;
};

TEST(ReadEntry, AcceptsWhatAPersonTypesAsANumber) {
    const AcceptedEntry cases[] = {
        {L"15", 15.0},    {L"12.5", 12.5}, {L"  12", 12.0}, // leading blanks are skipped
        {L"12kg", 12.0},                                    // text after the number is ignored
        {L"", 0.0},                                         // an empty entry reads 0
        {L"   ", 0.0},                                      // so does one of blanks alone
        {L"-3", -3.0},                                      // the sign is the clinician's business
        {L"1e3", 1000.0},                                   //
        {L"\t7", 7.0},    // the library skips a tab before a number
        {L"0.1", 0.1},    // read exactly as the compiler reads 0.1
        {L"1e-999", 0.0}, // underflow gives a finite zero
        {L"5,5", 5.0},    // a comma is not a decimal point
    };
    for (const AcceptedEntry& entry : cases) {
        double value = -1.0;
        EXPECT_TRUE(readEntry(entry.text, &value)) << std::wstring(entry.text).size();
        EXPECT_EQ(value, entry.value);
    }
}

TEST(ReadEntry, RefusesEntriesWithoutAFiniteNumber) {
    const wchar_t* cases[] = {
        L"abc", L"inf", L"-inf", L"nan", L"1e999", L"-1e999", L"\t\t", L"kg12", L".", L"-", L"，5",
    };
    for (const wchar_t* text : cases) {
        double value = 42.0;
        EXPECT_FALSE(readEntry(text, &value)) << std::wstring(text).size();
        EXPECT_EQ(value, 42.0); // a refused entry leaves the value alone
    }
}

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) {
        return L"<not open>";
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

TEST(PutOnClipboard, PutsNameLineBreakAndText) {
    ASSERT_TRUE(putOnClipboard(nullptr, L"Varnel", L"累积损失：750 ml\r\n—— 轻度"));
    EXPECT_EQ(clipboardText(), L"Varnel\r\n累积损失：750 ml\r\n—— 轻度");
}

TEST(PutOnClipboard, ReportsAClipboardHeldElsewhere) {
    ASSERT_TRUE(putOnClipboard(nullptr, L"old", L"content"));
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    bool done = false;
    // Another thread keeps the clipboard open, as another program might.
    bool opened = false;
    std::thread holder([&] {
        // Held for a window of its own: the clipboard counts who holds it by window.
        HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
        opened = OpenClipboard(window);
        {
            std::unique_lock lock(mutex);
            held = true;
            changed.notify_all();
            changed.wait(lock, [&] { return done; });
        }
        if (opened) {
            CloseClipboard();
        }
        DestroyWindow(window);
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return held; });
    }
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    EXPECT_FALSE(putOnClipboard(owner, L"Varnel", L"new"));
    DestroyWindow(owner);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    changed.notify_all();
    holder.join();
    EXPECT_TRUE(opened);
    EXPECT_EQ(clipboardText(), L"old\r\ncontent");
}

} // namespace
