// The reference reports: fixed ward texts chosen by a selector, the drug
// compatibility check and the fill-in templates.
#include "engine/report.h"
#include "tests/unit/report_test_support.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// One run of a selector report: the selector input (absent when missing is
// set) and the lines the selector chooses.
struct SelectorCase {
    double selector;
    bool missing;
    std::initializer_list<std::wstring> lines;
};

ReportRun runSelector(ReportKind kind, const char* key, const SelectorCase& c) {
    if (c.missing) {
        return runReport(kind, {});
    }
    return runReport(kind, {{key, c.selector}});
}

std::wstring joined(std::initializer_list<std::wstring> head,
                    std::initializer_list<std::wstring> middle,
                    std::initializer_list<std::wstring> tail) {
    return reportLines(head) + reportLines(middle) + reportLines(tail);
}

const wchar_t BLOOD_DRAW_OTHER[] = L"本次：其他项目，请按检验科项目手册执行。";

TEST(BloodDrawOrder, TubeOrderThenTheLineOfTheSelectedItem) {
    const SelectorCase cases[] = {
        {1, false, {L"本次：血常规 → 紫管 EDTA，采血后 8 次颠倒混匀，2 小时内送检。"}},
        {2, false, {L"本次：凝血 → 淡蓝管，需采满刻度线（约 2.0ml），采血后立即轻柔颠倒 3-4 次。"}},
        {2.7,
         false,
         {L"本次：凝血 → 淡蓝管，需采满刻度线（约 2.0ml），采血后立即轻柔颠倒 3-4 次。"}},
        {3, false, {L"本次：生化 → 红/金黄管，避免溶血，采血后静置 30 分钟离心。"}},
        {4, false, {L"本次：血气 → 肝素化注射器，排气后立即送检，15 分钟内完成。"}},
        {5, false, {L"本次：血培养 → 需氧+厌氧各 1 套，采血 2 套不同部位，先注入培养瓶。"}},
        {6, false, {L"本次：血糖/乳酸 → 灰管，需冰浴送检，30 分钟内完成。"}},
        {7, false, {BLOOD_DRAW_OTHER}},
        {0, false, {BLOOD_DRAW_OTHER}},
        {-1, false, {BLOOD_DRAW_OTHER}},
        {NaN, false, {BLOOD_DRAW_OTHER}},
        {0, true, {BLOOD_DRAW_OTHER}},
    };
    for (const SelectorCase& c : cases) {
        const ReportRun run = runSelector(BloodDrawOrder, "kind", c);
        EXPECT_EQ(run.text,
                  joined({L"标准采血顺序（按添加剂，避免交叉污染）：", L"1 血培养瓶（需氧/厌氧）",
                          L"2 凝血管 淡蓝（枸橼酸钠，凝血 PT/APTT）",
                          L"3 促凝/血清管 红或金黄（生化、免疫）", L"4 肝素管 绿（血气、部分生化）",
                          L"5 EDTA 紫（血常规、糖化、血型）", L"6 氟化钠 灰（血糖、乳酸）", L""},
                         c.lines, {}))
            << c.selector;
        EXPECT_EQ(run.verdict, L"按标准顺序采血可减少溶血与交叉污染");
        EXPECT_EQ(run.level, 0);
    }
}

TEST(CriticalValues, HeaderSelectedValuesAndHandling) {
    const std::initializer_list<std::wstring> pointer = {L"请查阅本院《危急值报告目录》"};
    const SelectorCase cases[] = {
        {1,
         false,
         {L"血钾 <2.5 或 >6.5 mmol/L", L"血钠 <120 或 >160 mmol/L", L"血钙 <1.5 或 >3.5 mmol/L"}},
        {2,
         false,
         {L"血糖 <2.8 或 >22.2 mmol/L", L"pH <7.20 或 >7.60；PaO2 <45 mmHg；PaCO2 >70 mmHg"}},
        {3,
         false,
         {L"白细胞 <1.0 或 >30.0 ×10^9/L", L"血红蛋白 <50 g/L；血小板 <20 或 >1000 ×10^9/L"}},
        {4, false, {L"INR >4.0；纤维蛋白原 <1.0 g/L", L"D-二聚体显著升高并伴临床血栓表现"}},
        {5, false, {L"血培养阳性（无菌部位）", L"脑脊液培养阳性；HIV 初筛阳性需确认"}},
        {6.99, false, {L"肌钙蛋白明显升高（高于第 99 百分位）", L"血淀粉酶/脂肪酶 >3 倍正常上限"}},
        {7, false, pointer},
        {0, false, pointer},
        {-INF, false, pointer},
        {0, true, pointer},
    };
    for (const SelectorCase& c : cases) {
        const ReportRun run = runSelector(CriticalValues, "kind", c);
        EXPECT_EQ(run.text, joined({L"常见检验危急值（参考，需以本院文件为准）："}, c.lines,
                                   {L"", L"处置要求：核实标本→15 分钟内电话报告临床→记录报告与接听"
                                         L"人→医师 30 分钟内处理并记录。"}))
            << c.selector;
        EXPECT_EQ(run.verdict, L"危急值必须闭环：报告、接收、处理、记录");
        EXPECT_EQ(run.level, 0);
    }
}

TEST(HighAlertDrugs, CategoryAndRuleLines) {
    const std::initializer_list<std::wstring> anaesthetics = {
        L"麻醉与肌松药：丙泊酚、维库溴铵、琥珀胆碱、阿片类",
        L"要点：专柜加锁、基数管理、使用后登记、拮抗剂（纳洛酮/新斯的明）备用。"};
    const SelectorCase cases[] = {
        // The percent signs are part of the text, not conversions.
        {1,
         false,
         {L"高浓度电解质：10% 氯化钾、10% 氯化钠、25% 硫酸镁",
          L"要点：专用标识、专区存放、双人核对、禁止直接静脉推注（钾）。"}},
        {2,
         false,
         {L"胰岛素与口服降糖药：胰岛素、格列本脲",
          L"要点：独立存放、专用注射器、剂量双人核对、低血糖监测与急救糖备用。"}},
        {3,
         false,
         {L"抗凝与化疗药：肝素、华法林、低分子肝素、化疗药物",
          L"要点：化疗药集中配置与防护、抗凝药监测 INR/APTT、出血风险宣教。"}},
        {4, false, anaesthetics},
        {0, false, anaesthetics},
        {9, false, anaesthetics},
        {0, true, anaesthetics},
    };
    for (const SelectorCase& c : cases) {
        const ReportRun run = runSelector(HighAlertDrugs, "kind", c);
        EXPECT_EQ(run.text, joined({L"高警示药品类别与要点："}, c.lines, {})) << c.selector;
        EXPECT_EQ(run.verdict, L"高警示药品须专区、专标识、双人核对");
        EXPECT_EQ(run.level, 0);
    }
}

TEST(LabPanels, PanelAndPrecautionLines) {
    const std::initializer_list<std::wstring> urine = {
        L"尿常规（清洁中段尿）：尿蛋白、尿糖、尿潜血、白细胞、亚硝酸盐、比重、pH、镜检。",
        L"注意：留取中段尿，1 小时内送检；月经期避免。"};
    const SelectorCase cases[] = {
        {1,
         false,
         {L"血常规（紫管 EDTA）：WBC、RBC、Hb、Hct、PLT、MCV/MCH/MCHC、中性/淋巴/单核/嗜酸/嗜碱比"
          L"例。",
          L"注意：剧烈运动、情绪、采血时间可影响结果；PLT 聚集需涂片复核。"}},
        {2,
         false,
         {L"生化全套（红/金黄管）：肝功（ALT/AST/ALP/GGT/胆红素/白蛋白）、肾功（BUN/Cr/UA）、血糖"
          L"、血脂、电解质。",
          L"注意：空腹 8-12 小时；溶血标本钾、AST 假性升高。"}},
        {3,
         false,
         {L"凝血四项（淡蓝管）：PT、INR、APTT、TT、纤维蛋白原、D-二聚体。",
          L"注意：采血量必须达刻度；肝素治疗中查 APTT。"}},
        {4,
         false,
         {L"甲状腺功能（红/金黄管）：TSH、FT3、FT4、TPOAb、TgAb。",
          L"注意：空腹；含碘造影剂后 1 周内避免复查。"}},
        {5,
         false,
         {L"心肌损伤标志物：cTnI/cTnT、CK-MB、肌红蛋白、BNP/NT-proBNP。",
          L"注意：胸痛发作后 2-4 小时开始升高；动态复查更有意义。"}},
        {6, false, urine},
        {0, false, urine},
        {7, false, urine},
        {0, true, urine},
    };
    for (const SelectorCase& c : cases) {
        const ReportRun run = runSelector(LabPanels, "panel", c);
        EXPECT_EQ(run.text, reportLines(c.lines)) << c.selector;
        EXPECT_EQ(run.verdict, L"套餐与采血管已列出，按顺序采血");
        EXPECT_EQ(run.level, 0);
    }
}

const wchar_t FORBIDDEN[] =
    L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。";
const wchar_t VANCOMYCIN[] =
    L"结论：不宜同瓶。万古霉素与碱性药物/奥美拉唑配伍稳定性差，应分开输注并冲管。";
const wchar_t UNSTABLE[] = L"结论：不宜同瓶。呋塞米与多巴胺、氨溴索与碱性液混合易发生理化变化。";
const wchar_t PH_CONFLICT[] = L"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。";
const wchar_t NOT_RECORDED[] =
    L"结论：本工具库内未收录该组合的明确禁忌，但仍须查本院配伍表并现配现用、注意冲管。";

TEST(DrugCompatibility, PairsInEitherOrderWithTheirLevels) {
    struct Case {
        double a;
        double b;
        const wchar_t* query;
        const wchar_t* conclusion;
        const wchar_t* verdict;
        SeverityLevel level;
    };
    const Case cases[] = {
        {1, 2, L"待查：1 号 头孢曲松  +  2 号 葡萄糖酸钙", FORBIDDEN,
         L"禁忌：不可同瓶输注，需间隔冲管", 3},
        {2, 1, L"待查：2 号 葡萄糖酸钙  +  1 号 头孢曲松", FORBIDDEN,
         L"禁忌：不可同瓶输注，需间隔冲管", 3},
        {9, 2, L"待查：9 号 碳酸氢钠  +  2 号 葡萄糖酸钙", FORBIDDEN,
         L"禁忌：不可同瓶输注，需间隔冲管", 3},
        {2.9, 9.5, L"待查：2 号 葡萄糖酸钙  +  9 号 碳酸氢钠", FORBIDDEN,
         L"禁忌：不可同瓶输注，需间隔冲管", 3},
        {3, 6, L"待查：3 号 万古霉素  +  6 号 奥美拉唑", VANCOMYCIN, L"不宜同瓶，分开输注并冲管",
         2},
        {9, 3, L"待查：9 号 碳酸氢钠  +  3 号 万古霉素", VANCOMYCIN, L"不宜同瓶，分开输注并冲管",
         2},
        {4, 10, L"待查：4 号 呋塞米  +  10 号 多巴胺", UNSTABLE, L"不宜同瓶，建议分开输注", 2},
        {10, 4, L"待查：10 号 多巴胺  +  4 号 呋塞米", UNSTABLE, L"不宜同瓶，建议分开输注", 2},
        {5, 9, L"待查：5 号 氨溴索  +  9 号 碳酸氢钠", UNSTABLE, L"不宜同瓶，建议分开输注", 2},
        {7, 6, L"待查：7 号 维生素C  +  6 号 奥美拉唑", PH_CONFLICT, L"建议分开输注", 1},
        {6, 7, L"待查：6 号 奥美拉唑  +  7 号 维生素C", PH_CONFLICT, L"建议分开输注", 1},
        {1, 1, L"待查：1 号 头孢曲松  +  1 号 头孢曲松", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
        {8, 5, L"待查：8 号 胰岛素  +  5 号 氨溴索", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
        {1, 9, L"待查：1 号 头孢曲松  +  9 号 碳酸氢钠", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
        {3, 10, L"待查：3 号 万古霉素  +  10 号 多巴胺", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
        // Unknown numbers show the first name but never match its pairs.
        {0, 2, L"待查：0 号 头孢曲松  +  2 号 葡萄糖酸钙", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
        {11, 2, L"待查：11 号 头孢曲松  +  2 号 葡萄糖酸钙", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
        {-1, 2, L"待查：-1 号 头孢曲松  +  2 号 葡萄糖酸钙", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
        {NaN, 2, L"待查：-2147483648 号 头孢曲松  +  2 号 葡萄糖酸钙", NOT_RECORDED,
         L"未收录明确禁忌，仍需核对院内配伍表", 0},
    };
    for (const Case& c : cases) {
        const ReportRun run = runReport(DrugCompatibility, {{"drugA", c.a}, {"drugB", c.b}});
        EXPECT_EQ(run.text,
                  reportLines(
                      {c.query, L"", L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索",
                       L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺", L"", c.conclusion}))
            << c.a << " " << c.b;
        EXPECT_EQ(run.verdict, c.verdict) << c.a << " " << c.b;
        EXPECT_EQ(run.level, c.level) << c.a << " " << c.b;
    }
    const std::wstring missing = runReport(DrugCompatibility, {}).text;
    EXPECT_EQ(missing.substr(0, missing.find(L"\r\n")), L"待查：0 号 头孢曲松  +  0 号 头孢曲松");
}

TEST(SurgicalSafetyChecklist, ThreeStepsAndTheRequirement) {
    const ReportRun run = runReport(SurgicalSafetyChecklist, {{"kind", 3}});
    EXPECT_EQ(
        run.text,
        reportLines({L"手术安全核查表（三步核查）：",
                     L"【麻醉实施前】身份/部位/术式/知情同意；过敏史；气道与插管风险；出血风险"
                     L"；影像与植入物；皮肤准备。",
                     L"【手术开始前】团队自我介绍；确认患者、部位、术式；预计手术时间与失血量"
                     L"；抗菌药物已用；器械灭菌合格；影像资料到位。",
                     L"【患者离室前】手术名称与记录一致；标本标识与送检；器械敷料清点；皮肤与"
                     L"管路；恢复与转运方案。",
                     L"",
                     L"要求：三方（外科、麻醉、护理）共同口述确认并签字，任一环节缺失不得开台"
                     L"。"}));
    EXPECT_EQ(run.verdict, L"三方核查缺一不可，签字后归档");
    EXPECT_EQ(run.level, 0);
}

// The fill-in line of bed n, with the blanks and the one percent sign.
std::wstring bedLine(int n) {
    return std::wstring(n < 10 ? L"0" : L"") + std::to_wstring(n) +
           L" 床：诊断＿＿；体温＿℃ 脉搏＿次/分 呼吸＿次/分 血压＿/＿mmHg SpO2＿%；本班处置＿＿；"
           L"管路（静脉/引流/导尿/吸氧）＿＿；下一班关注＿＿。";
}

TEST(HandoverTemplate, OneLinePerBedClampedToThirty) {
    struct Case {
        double beds;
        bool missing;
        int expected;
    };
    const Case cases[] = {
        {2, false, 2},   {2.5, false, 2}, {0, false, 1},   {-4, false, 1},   {0, true, 1},
        {30, false, 30}, {31, false, 30}, {NaN, false, 1}, {1e10, false, 1},
    };
    for (const Case& c : cases) {
        const ReportRun run = c.missing ? runReport(HandoverTemplate, {})
                                        : runReport(HandoverTemplate, {{"beds", c.beds}});
        std::wstring beds;
        for (int n = 1; n <= c.expected; ++n) {
            beds += bedLine(n) + L"\r\n";
        }
        EXPECT_EQ(
            run.text,
            reportLines({L"交班报告（床号 / 诊断 / 本班病情 / 治疗与管路 / 需下一班关注）："}) +
                beds +
                reportLines({L"", L"危重患者须床旁交接；新入院、手术、输血、病情变化患者逐一"
                                  L"交接并双签名。"}))
            << c.beds;
        EXPECT_EQ(run.verdict, L"模板已生成，床旁交接并双方签名");
        EXPECT_EQ(run.level, 0);
    }
    EXPECT_EQ(bedLine(1).substr(0, 5), L"01 床：");
}

TEST(InfusionCard, FillsBedDoseVolumeAndRate) {
    struct Case {
        std::initializer_list<ReportInput> inputs;
        const wchar_t* bed;
        const wchar_t* fluid;
        const wchar_t* rate;
    };
    const Case cases[] = {
        {{{"bed", 12}, {"dose", 2.5}, {"volume", 250}, {"gtt", 40}},
         L"床号：12",
         L"药液：医嘱药量 2.50 ，加入溶媒 250 ml",
         L"滴速：40 滴/分（约 120 ml/h）"},
        {{}, L"床号：0", L"药液：医嘱药量 0.00 ，加入溶媒 0 ml", L"滴速：0 滴/分（约 0 ml/h）"},
        // Rounding to nearest, ties to the even digit; the bed is truncated.
        {{{"bed", 3.9}, {"dose", 0.125}, {"volume", 100.5}, {"gtt", 2.5}},
         L"床号：3",
         L"药液：医嘱药量 0.12 ，加入溶媒 100 ml",
         L"滴速：2 滴/分（约 8 ml/h）"},
        {{{"bed", -5}, {"dose", -1}, {"volume", 1e6}, {"gtt", 60}},
         L"床号：-5",
         L"药液：医嘱药量 -1.00 ，加入溶媒 1000000 ml",
         L"滴速：60 滴/分（约 180 ml/h）"},
        // Values that are not numbers show as "--", as in every result.
        {{{"bed", NaN}, {"dose", NaN}, {"volume", INF}, {"gtt", -INF}},
         L"床号：-2147483648",
         L"药液：医嘱药量 -- ，加入溶媒 -- ml",
         L"滴速：-- 滴/分（约 -- ml/h）"},
        {{{"gtt", 1e308}, {"dose", 1}},
         L"床号：0",
         L"药液：医嘱药量 1.00 ，加入溶媒 0 ml",
         nullptr}, // the rate line is checked below
    };
    for (const Case& c : cases) {
        const ReportRun run = runReport(ReportTool(InfusionCard, c.inputs));
        if (c.rate == nullptr) {
            const size_t rateStart = run.text.find(L"滴速：");
            const size_t rateEnd = run.text.find(L"\r\n", rateStart);
            // gtt * 3 overflows to infinity: the hourly volume is "--".
            const std::wstring tail = L" 滴/分（约 -- ml/h）";
            EXPECT_EQ(run.text.substr(rateEnd - tail.size(), tail.size()), tail);
            EXPECT_EQ(run.text.substr(rateStart, 4), L"滴速：1");
            continue;
        }
        EXPECT_EQ(run.text, reportLines({L"静脉输液卡", c.bed, c.fluid, c.rate,
                                         L"核对：药名/剂量/浓度/有效期/配伍；双人签名。",
                                         L"观察：穿刺点、滴速、输注反应；每 30 分钟巡视并记录。"}))
            << c.bed;
        EXPECT_EQ(run.verdict, L"输液卡已生成，双人核对后执行");
        EXPECT_EQ(run.level, 0);
    }
}

} // namespace
