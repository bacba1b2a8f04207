// The schedule reports, whose lines are computed from the inputs: the nurse
// shift roster, the dose timetable and the follow-up plan.
#include "engine/report_generators.h"
#include "engine/report_support.h"
#include "engine/text.h"

#include <cmath>

namespace {

// Roster bounds: a ward team of up to 40 nurses over at most one month.
constexpr int32_t MAX_ROSTER_NURSES = 40;
constexpr int32_t MAX_ROSTER_DAYS = 31;

// At most 30 doses on one timetable; an interval of 0 hours or less means
// the usual eight-hourly dosing.
constexpr int32_t MAX_DOSES = 30;
constexpr double DEFAULT_DOSE_INTERVAL_HOURS = 8.0;

// Dose days are numbered in 32 bits: day 1 + 2147483646 is the last one.
constexpr double LAST_DOSE_DAY_OFFSET = 2147483646.0;

// At most 20 follow-up visits; a gap below one day means weekly visits.
constexpr int32_t MAX_FOLLOW_UPS = 20;
constexpr int32_t DEFAULT_FOLLOW_UP_GAP_DAYS = 7;

// Room for one roster cell, a nurse's name, a dose time or any date text of
// civilFromDays.
constexpr int32_t ENTRY_CAPACITY = 32;

int32_t clampInt(int32_t value, int32_t low, int32_t high) {
    if (value < low) {
        return low;
    }
    if (value > high) {
        return high;
    }
    return value;
}

// D day shift, N night shift, R rest.
constexpr wchar_t SHIFT_LETTERS[] = {L'D', L'N', L'R'};

// Each nurse runs D, R, N in turn, and consecutive nurses start one step
// apart in the cycle, so each day spreads the nurses over the three shifts.
wchar_t shiftLetter(int32_t nurse, int32_t day) {
    return SHIFT_LETTERS[(nurse + 2 * day) % 3];
}

// One timetable entry for the dose at hour t counted from midnight before
// day 1; a time whose day no longer has a number is marked out of range.
void formatDoseTime(double t, wchar_t* entry, int32_t capacity) {
    if (!std::isfinite(t) || std::trunc(t / 24.0) > LAST_DOSE_DAY_OFFSET) {
        copyBounded(entry, capacity, L"超出可排时间范围");
        return;
    }
    const double h = std::fmod(t, 24.0);
    const int32_t hour = static_cast<int32_t>(h);
    // Minutes are truncated, not rounded, so 08:05:59 still reads 08:05.
    const int32_t minute = static_cast<int32_t>((h - hour) * 60.0);
    const int32_t day = 1 + static_cast<int32_t>(t / 24.0);
    formatBounded(entry, capacity, L"第%d天 %02d:%02d", day, hour, minute);
}

} // namespace

SeverityLevel generateShiftRoster(const ToolDefinition& tool, const double* values, wchar_t* result,
                                  int32_t resultCapacity, wchar_t* verdict,
                                  int32_t verdictCapacity) {
    const int32_t nurses =
        clampInt(truncateToInt(findInputValue(tool, values, "nurses")), 1, MAX_ROSTER_NURSES);
    const int32_t days =
        clampInt(truncateToInt(findInputValue(tool, values, "days")), 1, MAX_ROSTER_DAYS);

    appendLine(result, resultCapacity,
               L"排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，按人员顺序滚动。");
    appendLine(result, resultCapacity, L"人员：%d 人；周期：%d 天", nurses, days);
    appendLine(result, resultCapacity, L"");
    for (int32_t i = 0; i < nurses; ++i) {
        wchar_t name[ENTRY_CAPACITY];
        formatBounded(name, countOf(name), L"护士%02d", i + 1);
        appendLine(result, resultCapacity, L"%ls：", name);

        appendBounded(result, resultCapacity, L"  ");
        for (int32_t j = 0; j < days; ++j) {
            wchar_t cell[ENTRY_CAPACITY];
            formatBounded(cell, countOf(cell), L"%d日%c ", j + 1, shiftLetter(i, j));
            appendBounded(result, resultCapacity, cell);
        }
        appendBounded(result, resultCapacity, L"\r\n");
    }
    appendLine(result, resultCapacity, L"");
    appendLine(result, resultCapacity,
               L"提示：连续夜班不超过 2 个，夜班后应安排休息；请按科室实际人数与能级调整。");

    copyBounded(verdict, verdictCapacity, L"已生成轮转排班表，可复制到排班本或表格");
    return 0;
}

SeverityLevel generateDoseTimetable(const ToolDefinition& tool, const double* values,
                                    wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                    int32_t verdictCapacity) {
    // A start that is not a finite number takes the default of a missing
    // input, as does -0, which would otherwise print as "-0:00".
    double start = findInputValue(tool, values, "start");
    if (!(start > 0.0) || !std::isfinite(start)) {
        start = 0.0;
    }
    double interval = findInputValue(tool, values, "interval");
    if (!(interval > 0.0) || !std::isfinite(interval)) {
        interval = DEFAULT_DOSE_INTERVAL_HOURS;
    }
    const int32_t times =
        clampInt(truncateToInt(findInputValue(tool, values, "times")), 1, MAX_DOSES);

    appendLine(result, resultCapacity, L"首剂时间 %.0f:00，间隔 %.0f 小时，共 %d 次：", start,
               interval, times);
    for (int32_t i = 0; i < times; ++i) {
        wchar_t entry[ENTRY_CAPACITY];
        formatDoseTime(start + interval * i, entry, countOf(entry));
        appendBounded(result, resultCapacity, entry);
        if (i + 1 < times) {
            appendBounded(result, resultCapacity, L"  |  ");
        }
    }
    appendBounded(result, resultCapacity, L"\r\n");
    appendLine(result, resultCapacity, L"说明：按等间隔给药；抗菌药物需结合半衰期与肾肝功能调整。");

    copyBounded(verdict, verdictCapacity, L"给药时间表已生成，注意首剂与夜间给药时间");
    return 0;
}

SeverityLevel generateFollowUpPlan(const ToolDefinition& tool, const double* values,
                                   wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                   int32_t verdictCapacity) {
    const CivilDate date = readLocalDate();
    const int64_t today = daysFromCivil(date.year, date.month, date.day);
    return generateFollowUpPlanFrom(today, tool, values, result, resultCapacity, verdict,
                                    verdictCapacity);
}

SeverityLevel generateFollowUpPlanFrom(int64_t today, const ToolDefinition& tool,
                                       const double* values, wchar_t* result,
                                       int32_t resultCapacity, wchar_t* verdict,
                                       int32_t verdictCapacity) {
    // A negative start reaches back before today; there is no bound on it.
    const int32_t start = truncateToInt(findInputValue(tool, values, "start"));
    int32_t gap = truncateToInt(findInputValue(tool, values, "gap"));
    if (gap < 1) {
        gap = DEFAULT_FOLLOW_UP_GAP_DAYS;
    }
    const int32_t times =
        clampInt(truncateToInt(findInputValue(tool, values, "times")), 1, MAX_FOLLOW_UPS);

    appendLine(result, resultCapacity,
               L"随访节点（以今天为基准，起始第 %d 天，间隔 %d 天，共 %d 次）：", start, gap,
               times);
    for (int32_t k = 1; k <= times; ++k) {
        // At most 2^31 + 19 * (2^31 - 1) days from today: no overflow here.
        const int64_t offset = static_cast<int64_t>(start) + static_cast<int64_t>(k - 1) * gap;
        wchar_t date[ENTRY_CAPACITY];
        if ((offset > 0 && today > INT64_MAX - offset) ||
            (offset < 0 && today < INT64_MIN - offset)) {
            copyBounded(date, countOf(date), L"日期超出范围");
        } else {
            civilFromDays(today + offset, date, countOf(date));
        }
        appendLine(result, resultCapacity, L"第 %d 次：%ls", k, date);
    }
    appendLine(result, resultCapacity,
               L"内容：症状与体征、用药依从性、复查项目、并发症预警、是否需要提前复诊。");

    copyBounded(verdict, verdictCapacity, L"随访计划已生成，可按日期短信提醒患者");
    return 0;
}
