// Test-only driver of the differential check: evaluates every line of a
// corpus and writes what the engine makes of it, as UTF-8, to an output
// file. The native build and the Windows exe run it on the same corpus and
// their outputs must agree byte for byte.
//   diff_driver CORPUS OUTPUT
// Corpus lines (LF or CR LF; "#" starts a comment line):
//   day N                 civilFromDays of the 64-bit day number N
//   tool KIND k=v k=v ... evaluateTool of a tool with those inputs
//   selftest              the self-test report of the built-in tool
//   anything else         a formula over w = 15, pct = 5, deficit = 750
#include "app/self_test.h"
#include "engine/expression.h"
#include "engine/text.h"
#include "engine/tool.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const InputField INPUTS[] = {{"w", L"体重", L"kg", 15}, {"pct", L"脱水程度", L"%", 5}};
const OutputField OUTPUTS[] = {{"deficit", L"累积损失", L"ml", "w*pct*10", "f0"}};
const ToolDefinition TOOL = {1,      L"t", nullptr, L"c", L"r",    nullptr,    2,
                             INPUTS, 1,    OUTPUTS, 0,    nullptr, FormulaTool};
const double INPUT_VALUES[] = {15, 5};
const double OUTPUT_VALUES[] = {750};

// Every code of formatValue, an unknown one and the null code last.
const char* const FORMAT_CODES[] = {"f0", "f1", "f2", "f3", "int", "pct", "date", "F0", nullptr};

constexpr int32_t TEXT_CAPACITY = 512;
constexpr int32_t REPORT_CAPACITY = 8192;
constexpr int32_t VERDICT_CAPACITY = 512;

// UTF-8 of UTF-16 units; wchar_t is 32-bit natively and 16-bit on Windows,
// and every text here is in the Basic Multilingual Plane.
std::string utf8(const wchar_t* text) {
    std::string bytes;
    for (; *text; ++text) {
        const auto unit = static_cast<uint32_t>(*text) & 0xFFFF;
        if (unit < 0x80) {
            bytes += static_cast<char>(unit);
        } else if (unit < 0x800) {
            bytes += static_cast<char>(0xC0 | (unit >> 6));
            bytes += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | (unit >> 12));
            bytes += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return bytes;
}

// Line breaks made visible, so that each corpus line gives one output line.
std::string visible(const wchar_t* text) {
    std::string bytes = utf8(text);
    std::string shown;
    for (char c : bytes) {
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string formatted(const wchar_t* format, double value) {
    wchar_t text[TEXT_CAPACITY];
    formatBounded(text, countOf(text), format, value);
    return utf8(text);
}

void evaluateFormula(const std::string& formula, std::string& out) {
    int32_t failed = -1;
    const double value =
        evaluateExpression(TOOL, formula.c_str(), INPUT_VALUES, OUTPUT_VALUES, &failed);
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    wchar_t text[TEXT_CAPACITY];
    formatBounded(text, countOf(text), L"failed=%d bits=%016llx", failed,
                  static_cast<unsigned long long>(bits));
    out += utf8(text);
    for (const char* code : FORMAT_CODES) {
        wchar_t valueText[VALUE_TEXT_CAPACITY];
        formatValue(code, value, valueText, countOf(valueText));
        out += " ";
        out += code ? code : "null";
        out += "=";
        out += utf8(valueText);
    }
    // The conversions the report lines and other texts use.
    if (value == value && value - value == 0) {
        // Piece by piece: "literal" + std::string trips GCC 12's -Wrestrict.
        const struct {
            const char* name;
            const wchar_t* format;
        } conversions[] = {
            {" g=", L"%g"}, {" .17g=", L"%.17g"}, {" .3e=", L"%.3e"}, {" .0f=", L"%.0f"}};
        for (const auto& conversion : conversions) {
            out += conversion.name;
            out += formatted(conversion.format, value);
        }
    }
}

void evaluateDay(const std::string& number, std::string& out) {
    const long long day = std::strtoll(number.c_str(), nullptr, 10);
    wchar_t text[32];
    civilFromDays(day, text, countOf(text));
    out += utf8(text);
}

// "KIND k=v k=v ...": a tool of that report kind (or 0 with formula outputs
// over the keys) with one input per pair.
void evaluateReport(const std::string& arguments, std::string& out) {
    std::vector<std::string> keys;
    std::vector<double> values;
    const char* cursor = arguments.c_str();
    char* end = nullptr;
    const long kind = std::strtol(cursor, &end, 10);
    cursor = end;
    while (*cursor == ' ') {
        ++cursor;
    }
    while (*cursor && keys.size() < MAX_TOOL_INPUTS) {
        const char* equals = std::strchr(cursor, '=');
        if (!equals) {
            break;
        }
        keys.emplace_back(cursor, equals);
        values.push_back(std::strtod(equals + 1, &end));
        cursor = end;
        while (*cursor == ' ') {
            ++cursor;
        }
    }
    std::vector<InputField> inputs;
    for (const std::string& key : keys) {
        inputs.push_back({key.c_str(), L"输入", nullptr, 0});
    }
    const ToolDefinition tool = {99,
                                 L"报告",
                                 nullptr,
                                 L"类别",
                                 L"参考",
                                 nullptr,
                                 static_cast<int32_t>(inputs.size()),
                                 inputs.data(),
                                 0,
                                 nullptr,
                                 0,
                                 nullptr,
                                 static_cast<ReportKind>(kind)};
    std::vector<wchar_t> result(REPORT_CAPACITY);
    std::vector<wchar_t> copy(REPORT_CAPACITY);
    wchar_t verdict[VERDICT_CAPACITY];
    int32_t level = -1;
    evaluateTool(tool, values.data(), result.data(), REPORT_CAPACITY, verdict, countOf(verdict),
                 &level, copy.data(), REPORT_CAPACITY);
    out += "level=";
    out += std::to_string(level);
    out += " verdict=";
    out += utf8(verdict);
    out += " result=";
    out += visible(result.data());
}

void evaluateSelfTest(std::string& out) {
    std::vector<wchar_t> report(SELF_TEST_REPORT_CAPACITY);
    const int code = buildSelfTestReport(builtInTool(), report.data(), SELF_TEST_REPORT_CAPACITY);
    out += "exit=";
    out += std::to_string(code);
    out += " report=";
    out += visible(report.data());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: diff_driver CORPUS OUTPUT\n");
        return 2;
    }
    // Binary modes: no line-end translation on Windows.
    std::FILE* corpus = std::fopen(argv[1], "rb");
    std::FILE* output = std::fopen(argv[2], "wb");
    if (!corpus || !output) {
        std::fprintf(stderr, "cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    char line[4096];
    int count = 0;
    while (std::fgets(line, sizeof line, corpus)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        if (!text.empty() && text[0] == '#') {
            continue;
        }
        std::string out = text;
        out += " -> ";
        if (text.rfind("day ", 0) == 0) {
            evaluateDay(text.substr(4), out);
        } else if (text.rfind("tool ", 0) == 0) {
            evaluateReport(text.substr(5), out);
        } else if (text == "selftest") {
            evaluateSelfTest(out);
        } else {
            evaluateFormula(text, out);
        }
        out += "\n";
        std::fwrite(out.data(), 1, out.size(), output);
        ++count;
    }
    std::fclose(corpus);
    std::fclose(output);
    std::printf("%d lines\n", count);
    return 0;
}
