// The reference reports: fixed ward texts chosen by at most one selector
// input, the two-drug compatibility check and two fill-in templates.
#include "engine/report_generators.h"
#include "engine/report_support.h"
#include "engine/text.h"

#include <cmath>

namespace {

// A handover sheet covers at most 30 beds.
constexpr int32_t MAX_HANDOVER_BEDS = 30;

// Holds any number the infusion card prints, or its "--".
constexpr int32_t AMOUNT_CAPACITY = 400;

// Entry selector - 1 of a table; its last entry also stands for every
// selector value beyond the table.
template <typename T, size_t N> const T& pick(const T (&table)[N], int32_t selector) {
    if (selector >= 1 && selector <= static_cast<int32_t>(N)) {
        return table[selector - 1];
    }
    return table[N - 1];
}

// Two lines shown together for one selector value.
struct LinePair {
    const wchar_t* first;
    const wchar_t* second;
};

// Up to three lines for one selector value; unused ones are null.
struct LineGroup {
    const wchar_t* lines[3];
};

constexpr const wchar_t* BLOOD_DRAW_LINES[] = {
    L"本次：血常规 → 紫管 EDTA，采血后 8 次颠倒混匀，2 小时内送检。",
    L"本次：凝血 → 淡蓝管，需采满刻度线（约 2.0ml），采血后立即轻柔颠倒 3-4 次。",
    L"本次：生化 → 红/金黄管，避免溶血，采血后静置 30 分钟离心。",
    L"本次：血气 → 肝素化注射器，排气后立即送检，15 分钟内完成。",
    L"本次：血培养 → 需氧+厌氧各 1 套，采血 2 套不同部位，先注入培养瓶。",
    L"本次：血糖/乳酸 → 灰管，需冰浴送检，30 分钟内完成。",
    L"本次：其他项目，请按检验科项目手册执行。",
};

constexpr LineGroup CRITICAL_VALUE_LINES[] = {
    {{L"血钾 <2.5 或 >6.5 mmol/L", L"血钠 <120 或 >160 mmol/L", L"血钙 <1.5 或 >3.5 mmol/L"}},
    {{L"血糖 <2.8 或 >22.2 mmol/L", L"pH <7.20 或 >7.60；PaO2 <45 mmHg；PaCO2 >70 mmHg", nullptr}},
    {{L"白细胞 <1.0 或 >30.0 ×10^9/L", L"血红蛋白 <50 g/L；血小板 <20 或 >1000 ×10^9/L", nullptr}},
    {{L"INR >4.0；纤维蛋白原 <1.0 g/L", L"D-二聚体显著升高并伴临床血栓表现", nullptr}},
    {{L"血培养阳性（无菌部位）", L"脑脊液培养阳性；HIV 初筛阳性需确认", nullptr}},
    {{L"肌钙蛋白明显升高（高于第 99 百分位）", L"血淀粉酶/脂肪酶 >3 倍正常上限", nullptr}},
    {{L"请查阅本院《危急值报告目录》", nullptr, nullptr}},
};

constexpr LinePair HIGH_ALERT_LINES[] = {
    {L"高浓度电解质：10% 氯化钾、10% 氯化钠、25% 硫酸镁",
     L"要点：专用标识、专区存放、双人核对、禁止直接静脉推注（钾）。"},
    {L"胰岛素与口服降糖药：胰岛素、格列本脲",
     L"要点：独立存放、专用注射器、剂量双人核对、低血糖监测与急救糖备用。"},
    {L"抗凝与化疗药：肝素、华法林、低分子肝素、化疗药物",
     L"要点：化疗药集中配置与防护、抗凝药监测 INR/APTT、出血风险宣教。"},
    {L"麻醉与肌松药：丙泊酚、维库溴铵、琥珀胆碱、阿片类",
     L"要点：专柜加锁、基数管理、使用后登记、拮抗剂（纳洛酮/新斯的明）备用。"},
};

constexpr LinePair LAB_PANEL_LINES[] = {
    {L"血常规（紫管 EDTA）：WBC、RBC、Hb、Hct、PLT、MCV/MCH/MCHC、中性/淋巴/单核/嗜酸/嗜碱比例。",
     L"注意：剧烈运动、情绪、采血时间可影响结果；PLT 聚集需涂片复核。"},
    {L"生化全套（红/金黄管）：肝功（ALT/AST/ALP/GGT/胆红素/白蛋白）、肾功（BUN/Cr/"
     L"UA）、血糖、血脂、"
     L"电解质。",
     L"注意：空腹 8-12 小时；溶血标本钾、AST 假性升高。"},
    {L"凝血四项（淡蓝管）：PT、INR、APTT、TT、纤维蛋白原、D-二聚体。",
     L"注意：采血量必须达刻度；肝素治疗中查 APTT。"},
    {L"甲状腺功能（红/金黄管）：TSH、FT3、FT4、TPOAb、TgAb。",
     L"注意：空腹；含碘造影剂后 1 周内避免复查。"},
    {L"心肌损伤标志物：cTnI/cTnT、CK-MB、肌红蛋白、BNP/NT-proBNP。",
     L"注意：胸痛发作后 2-4 小时开始升高；动态复查更有意义。"},
    {L"尿常规（清洁中段尿）：尿蛋白、尿糖、尿潜血、白细胞、亚硝酸盐、比重、pH、镜检。",
     L"注意：留取中段尿，1 小时内送检；月经期避免。"},
};

// The drugs of the compatibility check, numbered from 1.
constexpr const wchar_t* DRUG_NAMES[] = {
    L"头孢曲松", L"葡萄糖酸钙", L"万古霉素", L"呋塞米",   L"氨溴索",
    L"奥美拉唑", L"维生素C",    L"胰岛素",   L"碳酸氢钠", L"多巴胺",
};

// An unknown number is shown under the first name, but matches no pair.
const wchar_t* drugName(int32_t number) {
    if (number >= 1 && number <= countOf(DRUG_NAMES)) {
        return DRUG_NAMES[number - 1];
    }
    return DRUG_NAMES[0];
}

// What the check concludes for one pair of drugs.
struct Compatibility {
    const wchar_t* conclusion;
    const wchar_t* verdict;
    SeverityLevel level;
};

constexpr Compatibility FORBIDDEN = {
    L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。",
    L"禁忌：不可同瓶输注，需间隔冲管", 3};
constexpr Compatibility VANCOMYCIN_APART = {
    L"结论：不宜同瓶。万古霉素与碱性药物/奥美拉唑配伍稳定性差，应分开输注并冲管。",
    L"不宜同瓶，分开输注并冲管", 2};
constexpr Compatibility UNSTABLE_MIX = {
    L"结论：不宜同瓶。呋塞米与多巴胺、氨溴索与碱性液混合易发生理化变化。",
    L"不宜同瓶，建议分开输注", 2};
constexpr Compatibility PH_CONFLICT = {
    L"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。", L"建议分开输注", 1};
constexpr Compatibility NOT_RECORDED = {
    L"结论：本工具库内未收录该组合的明确禁忌，但仍须查本院配伍表并现配现用、注意冲管。",
    L"未收录明确禁忌，仍需核对院内配伍表", 0};

// The recorded pairs, by number and in either order.
const Compatibility& checkPair(int32_t a, int32_t b) {
    const int32_t low = a < b ? a : b;
    const int32_t high = a < b ? b : a;
    if ((low == 1 && high == 2) || (low == 2 && high == 9)) {
        return FORBIDDEN;
    }
    if (low == 3 && (high == 6 || high == 9)) {
        return VANCOMYCIN_APART;
    }
    if ((low == 4 && high == 10) || (low == 5 && high == 9)) {
        return UNSTABLE_MIX;
    }
    if (low == 6 && high == 7) {
        return PH_CONFLICT;
    }
    return NOT_RECORDED;
}

// A number on the infusion card by a fixed-decimals format; "--" when it is not a
// finite number, as everywhere else a value cannot be shown.
void formatAmount(double value, const wchar_t* format, wchar_t* text, int32_t capacity) {
    if (!std::isfinite(value)) {
        copyBounded(text, capacity, L"--");
        return;
    }
    formatBounded(text, capacity, format, value);
}

} // namespace

SeverityLevel generateBloodDrawOrder(const ToolDefinition& tool, const double* values,
                                     wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                     int32_t verdictCapacity) {
    const int32_t selector = truncateToInt(findInputValue(tool, values, "kind"));
    appendLine(result, resultCapacity, L"标准采血顺序（按添加剂，避免交叉污染）：");
    appendLine(result, resultCapacity, L"1 血培养瓶（需氧/厌氧）");
    appendLine(result, resultCapacity, L"2 凝血管 淡蓝（枸橼酸钠，凝血 PT/APTT）");
    appendLine(result, resultCapacity, L"3 促凝/血清管 红或金黄（生化、免疫）");
    appendLine(result, resultCapacity, L"4 肝素管 绿（血气、部分生化）");
    appendLine(result, resultCapacity, L"5 EDTA 紫（血常规、糖化、血型）");
    appendLine(result, resultCapacity, L"6 氟化钠 灰（血糖、乳酸）");
    appendLine(result, resultCapacity, L"");
    appendLine(result, resultCapacity, pick(BLOOD_DRAW_LINES, selector));
    copyBounded(verdict, verdictCapacity, L"按标准顺序采血可减少溶血与交叉污染");
    return 0;
}

SeverityLevel generateCriticalValues(const ToolDefinition& tool, const double* values,
                                     wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                     int32_t verdictCapacity) {
    const int32_t selector = truncateToInt(findInputValue(tool, values, "kind"));
    appendLine(result, resultCapacity, L"常见检验危急值（参考，需以本院文件为准）：");
    for (const wchar_t* line : pick(CRITICAL_VALUE_LINES, selector).lines) {
        if (line != nullptr) {
            appendLine(result, resultCapacity, line);
        }
    }
    appendLine(result, resultCapacity, L"");
    appendLine(
        result, resultCapacity,
        L"处置要求：核实标本→15 分钟内电话报告临床→记录报告与接听人→医师 30 分钟内处理并记录。");
    copyBounded(verdict, verdictCapacity, L"危急值必须闭环：报告、接收、处理、记录");
    return 0;
}

SeverityLevel generateHighAlertDrugs(const ToolDefinition& tool, const double* values,
                                     wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                     int32_t verdictCapacity) {
    const int32_t selector = truncateToInt(findInputValue(tool, values, "kind"));
    const LinePair& lines = pick(HIGH_ALERT_LINES, selector);
    appendLine(result, resultCapacity, L"高警示药品类别与要点：");
    appendLine(result, resultCapacity, lines.first);
    appendLine(result, resultCapacity, lines.second);
    copyBounded(verdict, verdictCapacity, L"高警示药品须专区、专标识、双人核对");
    return 0;
}

SeverityLevel generateDrugCompatibility(const ToolDefinition& tool, const double* values,
                                        wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                        int32_t verdictCapacity) {
    const int32_t a = truncateToInt(findInputValue(tool, values, "drugA"));
    const int32_t b = truncateToInt(findInputValue(tool, values, "drugB"));
    const Compatibility& pair = checkPair(a, b);
    appendLine(result, resultCapacity, L"待查：%d 号 %ls  +  %d 号 %ls", a, drugName(a), b,
               drugName(b));
    appendLine(result, resultCapacity, L"");
    appendLine(result, resultCapacity, L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索");
    // Six spaces put the second row of numbers under the first.
    appendLine(result, resultCapacity, L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺");
    appendLine(result, resultCapacity, L"");
    appendLine(result, resultCapacity, pair.conclusion);
    copyBounded(verdict, verdictCapacity, pair.verdict);
    return pair.level;
}

SeverityLevel generateSurgicalSafetyChecklist(const ToolDefinition& tool, const double* values,
                                              wchar_t* result, int32_t resultCapacity,
                                              wchar_t* verdict, int32_t verdictCapacity) {
    (void)tool;
    (void)values;
    appendLine(result, resultCapacity, L"手术安全核查表（三步核查）：");
    appendLine(
        result, resultCapacity,
        L"【麻醉实施前】身份/部位/术式/知情同意；过敏史；气道与插管风险；出血风险；影像与植入"
        L"物；皮肤准备。");
    appendLine(result, resultCapacity,
               L"【手术开始前】团队自我介绍；确认患者、部位、术式；预计手术时间与失血量；抗菌药物已"
               L"用；器械灭菌合格；影像资料到位。");
    appendLine(result, resultCapacity,
               L"【患者离室前】手术名称与记录一致；标本标识与送检；器械敷料清点；皮肤与管路；恢复与"
               L"转运方案。");
    appendLine(result, resultCapacity, L"");
    appendLine(result, resultCapacity,
               L"要求：三方（外科、麻醉、护理）共同口述确认并签字，任一环节缺失不得开台。");
    copyBounded(verdict, verdictCapacity, L"三方核查缺一不可，签字后归档");
    return 0;
}

SeverityLevel generateHandoverTemplate(const ToolDefinition& tool, const double* values,
                                       wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                       int32_t verdictCapacity) {
    int32_t beds = truncateToInt(findInputValue(tool, values, "beds"));
    if (beds < 1) {
        beds = 1;
    }
    if (beds > MAX_HANDOVER_BEDS) {
        beds = MAX_HANDOVER_BEDS;
    }
    appendLine(result, resultCapacity,
               L"交班报告（床号 / 诊断 / 本班病情 / 治疗与管路 / 需下一班关注）：");
    for (int32_t n = 1; n <= beds; ++n) {
        appendLine(result, resultCapacity,
                   L"%02d 床：诊断＿＿；体温＿℃ 脉搏＿次/分 呼吸＿次/分 血压＿/＿mmHg SpO2＿%%；"
                   L"本班处置＿＿；管路（静脉/引流/导尿/吸氧）＿＿；下一班关注＿＿。",
                   n);
    }
    appendLine(result, resultCapacity, L"");
    appendLine(result, resultCapacity,
               L"危重患者须床旁交接；新入院、手术、输血、病情变化患者逐一交接并双签名。");
    copyBounded(verdict, verdictCapacity, L"模板已生成，床旁交接并双方签名");
    return 0;
}

SeverityLevel generateInfusionCard(const ToolDefinition& tool, const double* values,
                                   wchar_t* result, int32_t resultCapacity, wchar_t* verdict,
                                   int32_t verdictCapacity) {
    const int32_t bed = truncateToInt(findInputValue(tool, values, "bed"));
    const double gtt = findInputValue(tool, values, "gtt");
    wchar_t dose[AMOUNT_CAPACITY];
    wchar_t volume[AMOUNT_CAPACITY];
    wchar_t drops[AMOUNT_CAPACITY];
    wchar_t hourly[AMOUNT_CAPACITY];
    formatAmount(findInputValue(tool, values, "dose"), L"%.2f", dose, countOf(dose));
    formatAmount(findInputValue(tool, values, "volume"), L"%.0f", volume, countOf(volume));
    formatAmount(gtt, L"%.0f", drops, countOf(drops));
    // Drops per minute to ml per hour for the usual 20-drop giving set.
    formatAmount(gtt * 3.0, L"%.0f", hourly, countOf(hourly));

    appendLine(result, resultCapacity, L"静脉输液卡");
    appendLine(result, resultCapacity, L"床号：%d", bed);
    appendLine(result, resultCapacity, L"药液：医嘱药量 %ls ，加入溶媒 %ls ml", dose, volume);
    appendLine(result, resultCapacity, L"滴速：%ls 滴/分（约 %ls ml/h）", drops, hourly);
    appendLine(result, resultCapacity, L"核对：药名/剂量/浓度/有效期/配伍；双人签名。");
    appendLine(result, resultCapacity, L"观察：穿刺点、滴速、输注反应；每 30 分钟巡视并记录。");
    copyBounded(verdict, verdictCapacity, L"输液卡已生成，双人核对后执行");
    return 0;
}

SeverityLevel generateLabPanels(const ToolDefinition& tool, const double* values, wchar_t* result,
                                int32_t resultCapacity, wchar_t* verdict, int32_t verdictCapacity) {
    const LinePair& lines =
        pick(LAB_PANEL_LINES, truncateToInt(findInputValue(tool, values, "panel")));
    appendLine(result, resultCapacity, lines.first);
    appendLine(result, resultCapacity, lines.second);
    copyBounded(verdict, verdictCapacity, L"套餐与采血管已列出，按顺序采血");
    return 0;
}
