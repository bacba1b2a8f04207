// The texts of a record: folder, file name, header row and data row.
#include "engine/text.h"
#include "engine/tool.h"
#include "ui/records.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const InputField FLUID_INPUTS[] = {
    {"w", L"体重", L"kg", 15},
    {"pct", L"脱水程度", L"%", 5},
};
const ToolDefinition FLUID_TOOL = {21,      L"Varnel", nullptr,      L"儿科", L"ref",
                                   nullptr, 2,         FLUID_INPUTS, 0,       nullptr,
                                   0,       nullptr,   FormulaTool};

const ToolDefinition NO_INPUT_TOOL = {7,       L"Roster", nullptr, L"护理", L"ref",  nullptr,    0,
                                      nullptr, 0,         nullptr, 0,       nullptr, ShiftRoster};

const RecordTime MORNING = {2025, 3, 1, 9, 41, 7};

const wchar_t FLUID_RESULT[] = L"累积损失：750 ml\r\n"
                               L"前 8 小时：375 ml\r\n"
                               L"前 8 小时速度：46.9 ml/h\r\n"
                               L"每日维持量：1250 ml\r\n";

std::wstring dataRow(const ToolDefinition& tool, const double* values, const wchar_t* result,
                     const RecordTime& time = MORNING) {
    wchar_t row[RECORD_ROW_CAPACITY];
    buildDataRow(tool, values, result, time, row, countOf(row));
    return row;
}

TEST(RecordFolder, FollowsTheLocalAppDataFolder) {
    wchar_t folder[RECORD_FOLDER_CAPACITY];
    EXPECT_TRUE(formRecordFolder(L"C:\\Users\\amy\\AppData\\Local", folder, countOf(folder)));
    EXPECT_STREQ(folder, L"C:\\Users\\amy\\AppData\\Local\\TelmMedSuite\\records");
}

TEST(RecordFolder, RefusesAMissingOrOverlongBase) {
    wchar_t folder[RECORD_FOLDER_CAPACITY];
    EXPECT_FALSE(formRecordFolder(nullptr, folder, countOf(folder)));
    EXPECT_FALSE(formRecordFolder(L"", folder, countOf(folder)));
    // "\TelmMedSuite\records" is 21 units: a base of 238 fills 259 units
    // exactly, one more would be cut and name a different folder.
    const std::wstring fits = L"C:\\" + std::wstring(235, L'a');
    EXPECT_TRUE(formRecordFolder(fits.c_str(), folder, countOf(folder)));
    EXPECT_EQ(std::wstring(folder), fits + L"\\TelmMedSuite\\records");
    const std::wstring tooLong = fits + L"b";
    EXPECT_FALSE(formRecordFolder(tooLong.c_str(), folder, countOf(folder)));
    EXPECT_EQ(textLength(folder), RECORD_FOLDER_CAPACITY - 1);
}

TEST(RecordFilePath, NamesTheFileByToolId) {
    const struct {
        int32_t id;
        const wchar_t* expected;
    } cases[] = {
        {21, L"D:\\r\\T021.csv"},
        {0, L"D:\\r\\T000.csv"},
        {7, L"D:\\r\\T007.csv"},
        {999, L"D:\\r\\T999.csv"},
        {1000, L"D:\\r\\T1000.csv"}, // ids of four digits and more are written in full
        {2147483647, L"D:\\r\\T2147483647.csv"},
    };
    for (const auto& c : cases) {
        wchar_t path[RECORD_PATH_CAPACITY];
        EXPECT_TRUE(formRecordFilePath(L"D:\\r", c.id, path, countOf(path))) << c.id;
        EXPECT_STREQ(path, c.expected) << c.id;
    }
}

TEST(RecordFilePath, RefusesAMissingFolderOrACutPath) {
    wchar_t path[RECORD_PATH_CAPACITY];
    EXPECT_FALSE(formRecordFilePath(L"", 21, path, countOf(path)));
    EXPECT_FALSE(formRecordFilePath(nullptr, 21, path, countOf(path)));
    wchar_t small[14];
    EXPECT_TRUE(formRecordFilePath(L"D:\\r", 21, small, countOf(small))); // 13 units fit
    EXPECT_FALSE(formRecordFilePath(L"D:\\rr", 21, small, countOf(small)));
}

TEST(RecordHeader, ListsTimeToolEachLabelAndResult) {
    wchar_t row[RECORD_HEADER_CAPACITY];
    buildHeaderRow(FLUID_TOOL, row, countOf(row));
    EXPECT_STREQ(row, L"时间,工具,体重,脱水程度,结果\r\n");
    buildHeaderRow(NO_INPUT_TOOL, row, countOf(row));
    EXPECT_STREQ(row, L"时间,工具,结果\r\n");
}

TEST(RecordHeader, BuiltInToolHasItsTwoInputs) {
    wchar_t row[RECORD_HEADER_CAPACITY];
    buildHeaderRow(builtInTool(), row, countOf(row));
    EXPECT_STREQ(row, L"时间,工具,体重,脱水程度,结果\r\n");
}

TEST(RecordHeader, ACutHeaderStillEndsItsLine) {
    wchar_t row[11];
    buildHeaderRow(FLUID_TOOL, row, countOf(row));
    EXPECT_STREQ(row, L"时间,工具,体重\r\n");
}

TEST(RecordRow, BuiltInExampleSpansTheResultLines) {
    const double values[] = {15, 5};
    EXPECT_EQ(dataRow(FLUID_TOOL, values, FLUID_RESULT),
              L"2025-03-01 09:41:07,Varnel,体重=15,脱水程度=5,累积损失：750 ml\r\n"
              L"前 8 小时：375 ml\r\n"
              L"前 8 小时速度：46.9 ml/h\r\n"
              L"每日维持量：1250 ml\r\n"
              L"\r\n");
}

TEST(RecordRow, ValuesPrintAsPercentG) {
    const struct {
        double value;
        const wchar_t* text;
    } cases[] = {
        {15, L"15"},
        {12.5, L"12.5"},
        {0.1, L"0.1"},
        {0, L"0"},
        {-3.25, L"-3.25"},
        {0.0001, L"0.0001"}, // exponent -4 still prints plainly
        {0.00001, L"1e-05"}, // below -4: exponent form, two digits
        {100000, L"100000"}, // exponent 5 prints plainly
        {1000000, L"1e+06"}, // exponent 6: exponent form
        {1234567, L"1.23457e+06"},
        {999999.5, L"1e+06"}, // rounds up into the exponent form
        {2.0000004, L"2"},    // six significant digits, trailing zeros dropped
    };
    for (const auto& c : cases) {
        const double values[] = {c.value, 5};
        const std::wstring expected =
            L"2025-03-01 09:41:07,Varnel,体重=" + std::wstring(c.text) + L",脱水程度=5,r\r\n";
        EXPECT_EQ(dataRow(FLUID_TOOL, values, L"r"), expected) << c.text;
    }
}

TEST(RecordRow, DateAndTimeAreZeroPadded) {
    const double values[] = {15, 5};
    const RecordTime newYear = {2031, 12, 31, 23, 59, 59};
    const RecordTime early = {987, 1, 2, 0, 0, 3};
    EXPECT_EQ(dataRow(FLUID_TOOL, values, L"r", newYear),
              L"2031-12-31 23:59:59,Varnel,体重=15,脱水程度=5,r\r\n");
    EXPECT_EQ(dataRow(FLUID_TOOL, values, L"r", early),
              L"0987-01-02 00:00:03,Varnel,体重=15,脱水程度=5,r\r\n");
}

TEST(RecordRow, NothingIsQuoted) {
    const InputField inputs[] = {{"a", L"剂量,mg", nullptr, 0}};
    const ToolDefinition tool = {3,      L"A,\"B\"", nullptr, L"c", L"r",    nullptr,    1,
                                 inputs, 0,          nullptr, 0,    nullptr, FormulaTool};
    const double values[] = {2};
    EXPECT_EQ(dataRow(tool, values, L"x,\"y\"\r\nz"),
              L"2025-03-01 09:41:07,A,\"B\",剂量,mg=2,x,\"y\"\r\nz\r\n");
}

TEST(RecordRow, ToolWithoutInputsWritesTimeNameAndResult) {
    EXPECT_EQ(dataRow(NO_INPUT_TOOL, nullptr, L"排班"), L"2025-03-01 09:41:07,Roster,排班\r\n");
}

TEST(RecordRow, ResultIsCutAt254Units) {
    const double values[] = {15, 5};
    const std::wstring prefix = L"2025-03-01 09:41:07,Varnel,体重=15,脱水程度=5,";
    const std::wstring longResult(300, L'结');
    EXPECT_EQ(dataRow(FLUID_TOOL, values, longResult.c_str()),
              prefix + std::wstring(254, L'结') + L"\r\n");
    const std::wstring exact(254, L'x');
    EXPECT_EQ(dataRow(FLUID_TOOL, values, exact.c_str()), prefix + exact + L"\r\n");
    EXPECT_EQ(dataRow(FLUID_TOOL, values, L""), prefix + L"\r\n");
    EXPECT_EQ(dataRow(FLUID_TOOL, values, nullptr), prefix + L"\r\n");
}

TEST(RecordRow, CutNeverSplitsASurrogatePair) {
    const double values[] = {15, 5};
    const std::wstring prefix = L"2025-03-01 09:41:07,Varnel,体重=15,脱水程度=5,";
    // U+1F4A7 (droplet) as its pair of units, straddling the 254-unit cut.
    const std::wstring result = std::wstring(253, L'a') + L"\xD83D\xDCA7" + L"tail";
    EXPECT_EQ(dataRow(FLUID_TOOL, values, result.c_str()),
              prefix + std::wstring(253, L'a') + L"\r\n");
    const std::wstring fits = std::wstring(252, L'a') + L"\xD83D\xDCA7";
    EXPECT_EQ(dataRow(FLUID_TOOL, values, fits.c_str()), prefix + fits + L"\r\n");
}

TEST(RecordRow, ACutRowStillEndsItsLine) {
    const double values[] = {15, 5};
    wchar_t row[24];
    buildDataRow(FLUID_TOOL, values, L"r", MORNING, row, countOf(row));
    EXPECT_STREQ(row, L"2025-03-01 09:41:07,V\r\n");
}

TEST(RecordRow, LongLabelPiecesAreCutAt127Units) {
    const std::wstring label(200, L'标');
    const InputField inputs[] = {{"a", label.c_str(), nullptr, 0}};
    const ToolDefinition tool = {3,      L"T", nullptr, L"c", L"r",    nullptr,    1,
                                 inputs, 0,    nullptr, 0,    nullptr, FormulaTool};
    const double values[] = {2};
    EXPECT_EQ(dataRow(tool, values, L"r"),
              L"2025-03-01 09:41:07,T," + std::wstring(126, L'标') + L",r\r\n");
}

} // namespace
