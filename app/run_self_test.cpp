#include "app/self_test.h"
#include "app/utf8_file.h"
#include "engine/text.h"

int runSelfTest(const wchar_t* reportPath) {
    wchar_t report[SELF_TEST_REPORT_CAPACITY];
    const int exitCode = buildSelfTestReport(builtInTool(), report, countOf(report));
    writeUtf8File(reportPath, report);
    return exitCode;
}
