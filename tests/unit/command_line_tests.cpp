// Finding the self-test switch and its report path in the raw command line.
#include "app/command_line.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct Case {
    const wchar_t* commandLine;
    bool found;
    const wchar_t* path;
};

const Case CASES[] = {
    {L"TelmMedTool.exe", false, L""},
    {L"\"C:\\Program Files\\TelmMedTool.exe\"", false, L""},
    {L"TelmMedTool.exe --SELFTEST", false, L""}, // case-sensitive
    {L"TelmMedTool.exe --selftes", false, L""},
    {L"TelmMedTool.exe --selftest", true, L"selftest.txt"},
    {L"TelmMedTool.exe --selftest   ", true, L"selftest.txt"},
    {L"TelmMedTool.exe --selftest \"\"", true, L"selftest.txt"},
    {L"TelmMedTool.exe --selftest out.txt", true, L"out.txt"},
    {L"TelmMedTool.exe --selftest    out.txt more", true, L"out.txt"},
    {L"TelmMedTool.exe --selftest \"C:\\my dir\\out.txt\" x", true, L"C:\\my dir\\out.txt"},
    {L"TelmMedTool.exe --selftest \"open ended", true, L"open ended"},
    {L"TelmMedTool.exe --selftest my report.txt", true, L"my"},
    {L"TelmMedTool.exe --selftest=r.txt", true, L"=r.txt"},           // glued text counts
    {L"TelmMedTool.exe x--selftesty", true, L"y"},                    // inside a longer word
    {L"TelmMedTool.exe --selftest --selftest", true, L"--selftest"},  // the first one counts
    {L"C:\\--selftest\\TelmMedTool.exe", true, L"\\TelmMedTool.exe"}, // in the program path
    {L"TelmMedTool.exe --selftest\tout.txt", true, L"\tout.txt"},     // only U+0020 is a blank
    {L"TelmMedTool.exe --selftest 报告.txt", true, L"报告.txt"},
};

TEST(CommandLine, FindsTheSwitchAndItsPath) {
    for (const Case& c : CASES) {
        wchar_t path[REPORT_PATH_CAPACITY] = L"";
        SCOPED_TRACE(testing::Message() << std::wstring(c.commandLine).size());
        EXPECT_EQ(findSelfTestSwitch(c.commandLine, path, REPORT_PATH_CAPACITY), c.found);
        EXPECT_EQ(std::wstring(path), c.path);
    }
}

TEST(CommandLine, LongPathsAreCutTo519Units) {
    const std::wstring longPath(600, L'p');
    for (const std::wstring& form : {longPath, L"\"" + longPath + L"\""}) {
        const std::wstring line = L"TelmMedTool.exe --selftest " + form;
        wchar_t path[REPORT_PATH_CAPACITY + 1];
        path[REPORT_PATH_CAPACITY] = L'#';
        ASSERT_TRUE(findSelfTestSwitch(line.c_str(), path, REPORT_PATH_CAPACITY));
        EXPECT_EQ(std::wstring(path), longPath.substr(0, 519));
        EXPECT_EQ(path[REPORT_PATH_CAPACITY], L'#');
    }
}

TEST(CommandLine, NullCommandLineHoldsNoSwitch) {
    wchar_t path[8] = L"keep";
    EXPECT_FALSE(findSelfTestSwitch(nullptr, path, 8));
    EXPECT_EQ(std::wstring(path), L"keep");
}

} // namespace
