// The schedule reports: shift roster, dose timetable and follow-up plan.
#include "engine/report.h"
#include "engine/report_generators.h"
#include "engine/text.h"
#include "engine/tool.h"
#include "tests/unit/report_test_support.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

const wchar_t DOSE_NOTE[] = L"说明：按等间隔给药；抗菌药物需结合半衰期与肾肝功能调整。";
const wchar_t FOLLOW_UP_CONTENT[] =
    L"内容：症状与体征、用药依从性、复查项目、并发症预警、是否需要提前复诊。";

TEST(ShiftRoster, ThreeNursesThreeDays) {
    const ReportRun run = runReport(ShiftRoster, {{"nurses", 3}, {"days", 3}});
    EXPECT_EQ(run.text, reportLines({ROSTER_RULE, L"人员：3 人；周期：3 天", L"", L"护士01：",
                                     L"  1日D 2日R 3日N ", L"护士02：", L"  1日N 2日D 3日R ",
                                     L"护士03：", L"  1日R 2日N 3日D ", L"", ROSTER_HINT}));
    EXPECT_EQ(run.verdict, L"已生成轮转排班表，可复制到排班本或表格");
    EXPECT_EQ(run.level, 0);
}

TEST(ShiftRoster, MissingInputsGiveOneNurseForOneDay) {
    EXPECT_EQ(runReport(ShiftRoster, {}).text,
              reportLines({ROSTER_RULE, L"人员：1 人；周期：1 天", L"", L"护士01：", L"  1日D ",
                           L"", ROSTER_HINT}));
}

TEST(ShiftRoster, ClampsNursesAndDays) {
    struct Case {
        double nurses;
        double days;
        int expectedNurses;
        int expectedDays;
    };
    const Case cases[] = {
        {41, 5, 40, 5},           {0, 5, 1, 5},     {-3, 5, 1, 5},    {2.9, 5, 2, 5},
        {10000000000.0, 5, 1, 5}, // beyond 32 bits: the lower bound
        {5, 32, 5, 31},           {5, 0, 5, 1},     {5, 31.9, 5, 31}, {NaN, INF, 1, 1},
        {-INF, NaN, 1, 1},        {40, 31, 40, 31},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(runReport(ShiftRoster, {{"nurses", c.nurses}, {"days", c.days}}).text,
                  expectedRoster(c.expectedNurses, c.expectedDays))
            << c.nurses << " " << c.days;
    }
}

TEST(ShiftRoster, FullRosterIsCutInsideTheTwentySixthNurseIn4096Units) {
    const ReportRun run = runReport(ShiftRoster, {{"nurses", 40}, {"days", 31}}, 4096);
    const std::wstring full = expectedRoster(40, 31);
    ASSERT_GT(full.size(), 4096u);
    EXPECT_LT(full.size(), 8191u);
    EXPECT_EQ(run.text, full.substr(0, 4095));
    EXPECT_NE(run.text.find(L"护士26：\r\n"), std::wstring::npos);
    EXPECT_EQ(run.text.find(L"护士27："), std::wstring::npos);
    EXPECT_EQ(run.text.find(L"提示："), std::wstring::npos);
    EXPECT_EQ(run.verdict, L"已生成轮转排班表，可复制到排班本或表格");
    EXPECT_EQ(runReport(ShiftRoster, {{"nurses", 40}, {"days", 31}}, 8192).text, full);
}

TEST(DoseTimetable, HeaderAndDoseLine) {
    struct Case {
        double start;
        double interval;
        double times;
        const wchar_t* header;
        const wchar_t* doses;
    };
    const Case cases[] = {
        {8, 8, 3, L"首剂时间 8:00，间隔 8 小时，共 3 次：",
         L"第1天 08:00  |  第1天 16:00  |  第2天 00:00"},
        {8, 0, 2, L"首剂时间 8:00，间隔 8 小时，共 2 次：", L"第1天 08:00  |  第1天 16:00"},
        {8, -2, 2, L"首剂时间 8:00，间隔 8 小时，共 2 次：", L"第1天 08:00  |  第1天 16:00"},
        {-5, 6, 2, L"首剂时间 0:00，间隔 6 小时，共 2 次：", L"第1天 00:00  |  第1天 06:00"},
        {6, 12, 0, L"首剂时间 6:00，间隔 12 小时，共 1 次：", L"第1天 06:00"},
        {6, 12, -4, L"首剂时间 6:00，间隔 12 小时，共 1 次：", L"第1天 06:00"},
        {30, 8, 1, L"首剂时间 30:00，间隔 8 小时，共 1 次：", L"第2天 06:00"},
        // Header rounds to whole hours; the doses keep their minutes.
        {7.75, 1.5, 2, L"首剂时间 8:00，间隔 2 小时，共 2 次：", L"第1天 07:45  |  第1天 09:15"},
        // (8.1 - 8) * 60 is just below 6, and minutes are truncated.
        {8.1, 8, 1, L"首剂时间 8:00，间隔 8 小时，共 1 次：", L"第1天 08:05"},
        {23.999, 0.5, 2, L"首剂时间 24:00，间隔 0 小时，共 2 次：", L"第1天 23:59  |  第2天 00:29"},
        {8.5, 2.5, 1, L"首剂时间 8:00，间隔 2 小时，共 1 次：", L"第1天 08:30"},
        {2.5, 3.5, 1, L"首剂时间 2:00，间隔 4 小时，共 1 次：", L"第1天 02:30"},
        // -0 is no start of its own: the header must not read -0:00.
        {-0.0, 24, 2, L"首剂时间 0:00，间隔 24 小时，共 2 次：", L"第1天 00:00  |  第2天 00:00"},
        // Values that are not numbers take the defaults of missing inputs.
        {NaN, NaN, NaN, L"首剂时间 0:00，间隔 8 小时，共 1 次：", L"第1天 00:00"},
        {INF, INF, INF, L"首剂时间 0:00，间隔 8 小时，共 1 次：", L"第1天 00:00"},
        {-INF, -INF, -INF, L"首剂时间 0:00，间隔 8 小时，共 1 次：", L"第1天 00:00"},
        // Day numbers up to 2^31 - 1 are shown; later times are out of range.
        {5e10, 8, 1, L"首剂时间 50000000000:00，间隔 8 小时，共 1 次：", L"第2083333334天 08:00"},
        {51539607504.0, 24, 2, L"首剂时间 51539607504:00，间隔 24 小时，共 2 次：",
         L"第2147483647天 00:00  |  超出可排时间范围"},
        {1e11, 8, 2, L"首剂时间 100000000000:00，间隔 8 小时，共 2 次：",
         L"超出可排时间范围  |  超出可排时间范围"},
        {0, 1e11, 3, L"首剂时间 0:00，间隔 100000000000 小时，共 3 次：",
         L"第1天 00:00  |  超出可排时间范围  |  超出可排时间范围"},
    };
    for (const Case& c : cases) {
        const ReportRun run = runReport(
            DoseTimetable, {{"start", c.start}, {"interval", c.interval}, {"times", c.times}});
        EXPECT_EQ(run.text, reportLines({c.header, c.doses, DOSE_NOTE}))
            << c.start << " " << c.interval << " " << c.times;
        EXPECT_EQ(run.verdict, L"给药时间表已生成，注意首剂与夜间给药时间");
        EXPECT_EQ(run.level, 0);
    }
}

TEST(DoseTimetable, MissingInputsGiveOneDoseAtMidnight) {
    EXPECT_EQ(runReport(DoseTimetable, {}).text,
              reportLines({L"首剂时间 0:00，间隔 8 小时，共 1 次：", L"第1天 00:00", DOSE_NOTE}));
}

TEST(DoseTimetable, AtMostThirtyDoses) {
    std::wstring doses;
    for (int hour = 0; hour < 30; ++hour) {
        wchar_t entry[32];
        formatBounded(entry, countOf(entry), L"第%d天 %02d:00", 1 + hour / 24, hour % 24);
        doses += (hour > 0 ? L"  |  " : L"") + std::wstring(entry);
    }
    EXPECT_EQ(runReport(DoseTimetable, {{"start", 0}, {"interval", 1}, {"times", 31}}).text,
              reportLines({L"首剂时间 0:00，间隔 1 小时，共 30 次：", doses, DOSE_NOTE}));
}

TEST(DoseTimetable, TimesBeyondEveryRangeStayDefined) {
    // The second dose overflows to infinity; the header is cut at 511 units.
    const ReportRun run =
        runReport(DoseTimetable, {{"start", 1e308}, {"interval", 1.7e308}, {"times", 2}});
    const size_t headerEnd = run.text.find(L"\r\n");
    ASSERT_NE(headerEnd, std::wstring::npos);
    EXPECT_EQ(headerEnd, 511u);
    EXPECT_EQ(run.text.rfind(L"首剂时间 100000000000000001097906", 0), 0u);
    EXPECT_EQ(run.text.substr(headerEnd + 2),
              reportLines({L"超出可排时间范围  |  超出可排时间范围", DOSE_NOTE}));
}

int64_t february27of2024() {
    return daysFromCivil(2024, 2, 27);
}

// The follow-up plan counted from a fixed day instead of the clock.
ReportRun followUpFrom(int64_t today, std::initializer_list<ReportInput> pairs) {
    const ReportTool report(FollowUpPlan, pairs);
    wchar_t result[8192] = L"";
    wchar_t verdict[512] = L"";
    const SeverityLevel level =
        generateFollowUpPlanFrom(today, report.tool, report.values.data(), result, countOf(result),
                                 verdict, countOf(verdict));
    return ReportRun{result, verdict, level};
}

std::wstring dateOf(int64_t dayNumber) {
    wchar_t text[32];
    civilFromDays(dayNumber, text, countOf(text));
    return text;
}

TEST(FollowUpPlan, DatesCountedFromTheTwentySeventhOfFebruary2024) {
    const ReportRun run =
        followUpFrom(february27of2024(), {{"start", 0}, {"gap", 0}, {"times", 3}});
    EXPECT_EQ(run.text, reportLines({L"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 3 次）：",
                                     L"第 1 次：2024-02-27", L"第 2 次：2024-03-05",
                                     L"第 3 次：2024-03-12", FOLLOW_UP_CONTENT}));
    EXPECT_EQ(run.verdict, L"随访计划已生成，可按日期短信提醒患者");
    EXPECT_EQ(run.level, 0);
}

TEST(FollowUpPlan, StartBeforeTodayAndTimesClamped) {
    EXPECT_EQ(followUpFrom(february27of2024(), {{"start", -3}, {"gap", 7}, {"times", 2}}).text,
              reportLines({L"随访节点（以今天为基准，起始第 -3 天，间隔 7 天，共 2 次）：",
                           L"第 1 次：2024-02-24", L"第 2 次：2024-03-02", FOLLOW_UP_CONTENT}));
    EXPECT_EQ(followUpFrom(february27of2024(), {}).text,
              reportLines({L"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 1 次）：",
                           L"第 1 次：2024-02-27", FOLLOW_UP_CONTENT}));
    EXPECT_EQ(followUpFrom(february27of2024(), {{"start", 1.9}, {"gap", 1}, {"times", 25}}).text,
              reportLines({L"随访节点（以今天为基准，起始第 1 天，间隔 1 天，共 20 次）：",
                           L"第 1 次：2024-02-28",
                           L"第 2 次：2024-02-29",
                           L"第 3 次：2024-03-01",
                           L"第 4 次：2024-03-02",
                           L"第 5 次：2024-03-03",
                           L"第 6 次：2024-03-04",
                           L"第 7 次：2024-03-05",
                           L"第 8 次：2024-03-06",
                           L"第 9 次：2024-03-07",
                           L"第 10 次：2024-03-08",
                           L"第 11 次：2024-03-09",
                           L"第 12 次：2024-03-10",
                           L"第 13 次：2024-03-11",
                           L"第 14 次：2024-03-12",
                           L"第 15 次：2024-03-13",
                           L"第 16 次：2024-03-14",
                           L"第 17 次：2024-03-15",
                           L"第 18 次：2024-03-16",
                           L"第 19 次：2024-03-17",
                           L"第 20 次：2024-03-18",
                           FOLLOW_UP_CONTENT}));
    EXPECT_EQ(followUpFrom(february27of2024(), {{"start", 0}, {"gap", -5}, {"times", 0}}).text,
              reportLines({L"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 1 次）：",
                           L"第 1 次：2024-02-27", FOLLOW_UP_CONTENT}));
}

TEST(FollowUpPlan, ValuesBeyondThirtyTwoBitsEndOnTheLowerBound) {
    const int64_t today = february27of2024();
    // Start has no bound of its own, so it stays at -2^31; gap and times
    // take their defaults.
    const ReportRun run = followUpFrom(today, {{"start", NaN}, {"gap", 1e10}, {"times", INF}});
    EXPECT_EQ(run.text,
              reportLines({L"随访节点（以今天为基准，起始第 -2147483648 天，间隔 7 天，共 1 次）：",
                           L"第 1 次：" + dateOf(today - 2147483648LL), FOLLOW_UP_CONTENT}));
}

TEST(FollowUpPlan, LargestOffsetsStayExact) {
    const int64_t today = february27of2024();
    const ReportRun run =
        followUpFrom(today, {{"start", 2147483647.0}, {"gap", 2147483647.0}, {"times", 20}});
    const std::wstring last =
        L"第 20 次：" + dateOf(today + 20 * 2147483647LL) + L"\r\n" + FOLLOW_UP_CONTENT + L"\r\n";
    ASSERT_GE(run.text.size(), last.size());
    EXPECT_EQ(run.text.substr(run.text.size() - last.size()), last);
}

TEST(FollowUpPlan, DatesPastTheDayNumberRangeAreMarked) {
    const int64_t lastDay = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(followUpFrom(lastDay - 10, {{"start", 5}, {"gap", 3}, {"times", 3}}).text,
              reportLines({L"随访节点（以今天为基准，起始第 5 天，间隔 3 天，共 3 次）：",
                           L"第 1 次：" + dateOf(lastDay - 5), L"第 2 次：" + dateOf(lastDay - 2),
                           L"第 3 次：日期超出范围", FOLLOW_UP_CONTENT}));
    const int64_t firstDay = std::numeric_limits<int64_t>::min();
    EXPECT_EQ(followUpFrom(firstDay + 10, {{"start", -20}, {"gap", 7}, {"times", 3}}).text,
              reportLines({L"随访节点（以今天为基准，起始第 -20 天，间隔 7 天，共 3 次）：",
                           L"第 1 次：日期超出范围", L"第 2 次：日期超出范围",
                           L"第 3 次：" + dateOf(firstDay + 4), FOLLOW_UP_CONTENT}));
    EXPECT_EQ(followUpFrom(firstDay, {{"start", 0}, {"times", 1}}).text,
              reportLines({L"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 1 次）：",
                           L"第 1 次：" + dateOf(firstDay), FOLLOW_UP_CONTENT}));
}

TEST(FollowUpPlan, DispatcherCountsFromTheLocalDate) {
    const ReportTool report(FollowUpPlan, {{"start", 2}, {"gap", 14}, {"times", 4}});
    // Retried when the date changes while the test runs (around midnight).
    for (int attempt = 0; attempt < 3; ++attempt) {
        const CivilDate before = readLocalDate();
        const ReportRun run = runReport(report);
        const CivilDate after = readLocalDate();
        if (before.year != after.year || before.month != after.month || before.day != after.day) {
            continue;
        }
        const int64_t today = daysFromCivil(before.year, before.month, before.day);
        EXPECT_EQ(run.text, followUpFrom(today, {{"start", 2}, {"gap", 14}, {"times", 4}}).text);
        EXPECT_EQ(run.text.find(L"第 1 次：" + dateOf(today + 2)), run.text.find(L"\r\n") + 2);
        return;
    }
    FAIL() << "the local date kept changing";
}

TEST(ReadLocalDate, GivesAPlausibleCalendarDate) {
    const CivilDate today = readLocalDate();
    EXPECT_GE(today.year, 2024);
    EXPECT_LE(today.year, 2200);
    EXPECT_GE(today.month, 1);
    EXPECT_LE(today.month, 12);
    EXPECT_GE(today.day, 1);
    EXPECT_LE(today.day, 31);
}

} // namespace
