// Writing texts as UTF-8 files: exact bytes, however long the text.
#include "app/self_test.h"
#include "app/utf8_file.h"
#include "tests/unit/report_test_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

std::wstring scratchPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::string readBytes(const std::wstring& path) {
    std::string bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        return "<missing>";
    }
    char chunk[4096];
    size_t count = 0;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.append(chunk, count);
    }
    fclose(file);
    return bytes;
}

TEST(Utf8File, WritesCrLfTextWithoutByteOrderMark) {
    const std::wstring path = scratchPath(L"telm-utf8-short.txt");
    writeUtf8File(path.c_str(), L"TOOL|21|Varnel|儿科\r\nA：≈\r\n");
    EXPECT_EQ(readBytes(path), "TOOL|21|Varnel|\xE5\x84\xBF\xE7\xA7\x91\r\n"
                               "A\xEF\xBC\x9A\xE2\x89\x88\r\n");
    DeleteFileW(path.c_str());
}

// A report whose UTF-8 form is far beyond 8 KB is written whole, and a
// surrogate pair that straddles the writer's internal pieces stays intact.
TEST(Utf8File, LongTextsAreWrittenWhole) {
    std::wstring text(16000, L'体');
    text[2047] = 0xD83D; // U+1F600 across the first piece boundary
    text[2048] = 0xDE00;
    const std::wstring path = scratchPath(L"telm-utf8-long.txt");
    writeUtf8File(path.c_str(), text.c_str());
    std::string expected;
    for (int i = 0; i < 16000; ++i) {
        if (i == 2047) {
            expected += "\xF0\x9F\x98\x80";
        } else if (i != 2048) {
            expected += "\xE4\xBD\x93";
        }
    }
    const std::string actual = readBytes(path);
    EXPECT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
    DeleteFileW(path.c_str());
}

TEST(Utf8File, ExistingFileIsEmptiedAndBadPathsAreSkipped) {
    const std::wstring path = scratchPath(L"telm-utf8-empty.txt");
    writeUtf8File(path.c_str(), L"old content");
    writeUtf8File(path.c_str(), L"");
    EXPECT_EQ(readBytes(path), "");
    writeUtf8File(path.c_str(), nullptr);
    EXPECT_EQ(readBytes(path), "");
    DeleteFileW(path.c_str());
    const std::wstring missing = scratchPath(L"no-such-folder\\x\\report.txt");
    writeUtf8File(missing.c_str(), L"text");
    EXPECT_EQ(readBytes(missing), "<missing>");
    writeUtf8File(nullptr, L"text");
}

// The self-test report of the longest roster is over 8 KB in UTF-8; the file
// must still hold all of it, byte for byte the report's UTF-8 form.
TEST(Utf8File, LongSelfTestReportIsWrittenWhole) {
    const ReportTool roster(ShiftRoster, {{"nurses", 40}, {"days", 31}});
    static wchar_t report[SELF_TEST_REPORT_CAPACITY];
    ASSERT_EQ(buildSelfTestReport(roster.tool, report, SELF_TEST_REPORT_CAPACITY), 0);
    static char expected[3 * SELF_TEST_REPORT_CAPACITY];
    const int expectedBytes =
        WideCharToMultiByte(CP_UTF8, 0, report, -1, expected, sizeof expected, nullptr, nullptr);
    ASSERT_GT(expectedBytes, 8191); // beyond what one 8 KB conversion could hold
    const std::wstring path = scratchPath(L"telm-utf8-roster.txt");
    writeUtf8File(path.c_str(), report);
    const std::string actual = readBytes(path);
    EXPECT_EQ(actual.size(), static_cast<size_t>(expectedBytes - 1));
    EXPECT_TRUE(actual == std::string(expected, expectedBytes - 1));
    DeleteFileW(path.c_str());
}

} // namespace
