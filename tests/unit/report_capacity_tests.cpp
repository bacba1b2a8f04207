// Reports in result buffers of every size: the text is the start of the full
// report, nothing is written past the capacity, and the verdict and level do
// not depend on the room for the text.
#include "engine/report.h"
#include "tests/unit/report_test_support.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr wchar_t GUARD = L'#';
constexpr int32_t GUARD_UNITS = 16;

struct SweepCase {
    const char* name;
    ReportTool report;
    std::wstring fullText;
    const wchar_t* verdict;
    SeverityLevel level;
};

std::vector<SweepCase> sweepCases() {
    std::vector<SweepCase> cases;
    cases.push_back(
        {"roster", ReportTool(ShiftRoster, {{"nurses", 3}, {"days", 3}}),
         reportLines(
             {L"排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，按人员顺序滚"
              L"动。",
              L"人员：3 人；周期：3 天", L"", L"护士01：", L"  1日D 2日R 3日N ", L"护士02：",
              L"  1日N 2日D 3日R ", L"护士03：", L"  1日R 2日N 3日D ", L"",
              L"提示：连续夜班不超过 2 个，夜班后应安排休息；请按科室实际人数与能级调整。"}),
         L"已生成轮转排班表，可复制到排班本或表格", 0});
    cases.push_back({"doses",
                     ReportTool(DoseTimetable, {{"start", 8}, {"interval", 8}, {"times", 3}}),
                     reportLines({L"首剂时间 8:00，间隔 8 小时，共 3 次：",
                                  L"第1天 08:00  |  第1天 16:00  |  第2天 00:00",
                                  L"说明：按等间隔给药；抗菌药物需结合半衰期与肾肝功能调整。"}),
                     L"给药时间表已生成，注意首剂与夜间给药时间", 0});
    cases.push_back(
        {"drugs", ReportTool(DrugCompatibility, {{"drugA", 2}, {"drugB", 1}}),
         reportLines({L"待查：2 号 葡萄糖酸钙  +  1 号 头孢曲松", L"",
                      L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索",
                      L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺", L"",
                      L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜"
                      L"同瓶。"}),
         L"禁忌：不可同瓶输注，需间隔冲管", 3});
    cases.push_back({"note", ReportTool(static_cast<ReportKind>(12), {}),
                     L"（该工具暂无自定义报告）", L"暂无报告内容", 0});
    return cases;
}

TEST(ReportCapacity, EveryCapacityGivesTheStartOfTheFullReport) {
    for (const SweepCase& c : sweepCases()) {
        const int32_t fullLength = static_cast<int32_t>(c.fullText.size());
        for (int32_t capacity = 1; capacity <= fullLength + 3; ++capacity) {
            std::vector<wchar_t> result(static_cast<size_t>(capacity + GUARD_UNITS), GUARD);
            wchar_t verdict[512];
            const SeverityLevel level =
                generateReport(c.report.tool.reportKind, c.report.tool, c.report.values.data(),
                               result.data(), capacity, verdict, 512);
            const size_t kept = static_cast<size_t>(std::min(capacity - 1, fullLength));
            ASSERT_EQ(result[kept], L'\0') << c.name << " capacity " << capacity;
            EXPECT_EQ(std::wstring(result.data()), c.fullText.substr(0, kept))
                << c.name << " capacity " << capacity;
            for (int32_t i = capacity; i < capacity + GUARD_UNITS; ++i) {
                ASSERT_EQ(result[static_cast<size_t>(i)], GUARD)
                    << c.name << " capacity " << capacity << " unit " << i;
            }
            EXPECT_EQ(std::wstring(verdict), c.verdict) << c.name << " capacity " << capacity;
            EXPECT_EQ(level, c.level) << c.name << " capacity " << capacity;
        }
    }
}

TEST(ReportCapacity, SmallVerdictBufferIsCutAndGuarded) {
    for (const SweepCase& c : sweepCases()) {
        const std::wstring verdictText = c.verdict;
        for (int32_t capacity = 1; capacity <= static_cast<int32_t>(verdictText.size()) + 2;
             ++capacity) {
            std::vector<wchar_t> verdict(static_cast<size_t>(capacity + GUARD_UNITS), GUARD);
            wchar_t result[1024];
            const SeverityLevel level =
                generateReport(c.report.tool.reportKind, c.report.tool, c.report.values.data(),
                               result, 1024, verdict.data(), capacity);
            EXPECT_EQ(std::wstring(verdict.data()),
                      verdictText.substr(0, static_cast<size_t>(capacity - 1)))
                << c.name << " capacity " << capacity;
            EXPECT_EQ(std::wstring(result), c.fullText) << c.name << " capacity " << capacity;
            EXPECT_EQ(level, c.level);
            for (int32_t i = capacity; i < capacity + GUARD_UNITS; ++i) {
                ASSERT_EQ(verdict[static_cast<size_t>(i)], GUARD) << c.name << " " << capacity;
            }
        }
    }
}

TEST(ReportCapacity, NoBufferAtAllIsLeftAlone) {
    const ReportTool report(DrugCompatibility, {{"drugA", 1}, {"drugB", 2}});
    wchar_t untouched[4] = {GUARD, GUARD, GUARD, GUARD};
    EXPECT_EQ(generateReport(DrugCompatibility, report.tool, report.values.data(), untouched, 0,
                             untouched, 0),
              3);
    EXPECT_EQ(generateReport(DrugCompatibility, report.tool, report.values.data(), nullptr, 100,
                             nullptr, 100),
              3);
    EXPECT_EQ(untouched[0], GUARD);
}

} // namespace
