// Benchmarks of the formula evaluator side by side with the expression
// libraries a developer would otherwise pick (muparser, GNU libmatheval) and
// with its own floor: the strtod calls that the formula's numbers need. Also
// the engine's other entry points: evaluateTool, generateReport, formatValue.
//
// Every peer is first checked to compute the same value as the evaluator;
// a formula a peer cannot parse is simply not benchmarked for that peer.
#include "engine/expression.h"
#include "engine/report.h"
#include "engine/text.h"
#include "engine/tool.h"

#include <benchmark/benchmark.h>
#include <matheval.h>
#include <muParser.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Inputs of the typical clinical formulas, at the values benchmarked.
const InputField CLINICAL_INPUTS[] = {
    {"w", L"体重", L"kg", 70.0},
    {"h", L"身高", L"cm", 175.0},
    {"k", L"血钾", L"mmol/L", 4.2},
};

const ToolDefinition CLINICAL_TOOL = {
    900, L"临床公式", nullptr, L"基准", L"基准",     nullptr, 3, CLINICAL_INPUTS,
    0,   nullptr,     0,       nullptr, FormulaTool,
};

// Typical formulas of a ward calculator, beside the built-in tool's own.
struct ClinicalFormula {
    const char* name;
    const char* text;
};

const ClinicalFormula CLINICAL_FORMULAS[] = {
    {"bmi_pow", "w/pow(h/100,2)"},
    {"bsa_sqrt", "sqrt(h*w/3600)"},
    // Potassium grade: low and high bands, nested to the right.
    {"k_grade_nested", "k<2.5?3:k<3?2:k<3.5?1:k>6.5?3:k>5.5?2:0"},
    // Paracetamol 15 mg/kg rounded to 5 mg, at least 60 mg, at most 1 g.
    {"dose_round_min_max", "min(max(round(w*15/5)*5,60),1000)"},
};

// The two report inputs that the shift roster reads, at their maximum.
const InputField ROSTER_INPUTS[] = {
    {"nurses", L"护士人数", L"人", 40.0},
    {"days", L"天数", L"天", 31.0},
};

const ToolDefinition ROSTER_TOOL = {
    901,           L"排班", nullptr, L"基准", L"基准", nullptr,     2,
    ROSTER_INPUTS, 0,       nullptr, 0,       nullptr, ShiftRoster,
};

// The roster of 40 nurses over 31 days is about 6,400 units.
constexpr int32_t REPORT_CAPACITY = 16384;
constexpr int32_t VERDICT_CAPACITY = 512;

// One benchmarked formula with its tool's default inputs.
struct Case {
    std::string name;
    const ToolDefinition* tool;
    std::string text;
    std::vector<double> inputs;
    std::vector<double> outputs; // all 0.0, as for the first output
    std::vector<size_t> numbers; // offsets where the evaluator calls strtod
    std::vector<char*> keys;     // input keys for libmatheval
    mu::Parser muParser;         // its variables bound to inputs
    bool muParses = false;
    bool mathevalParses = false;
    double value = 0;
};

// muparser knows neither pow nor round; a developer would register them as
// below, with round's halves going up as in the evaluator.
double muPow(double a, double b) {
    return std::pow(a, b);
}
double muRound(double x) {
    return std::floor(x + 0.5);
}

// Offsets of the numbers as the evaluator meets them: a name is skipped
// whole (its digits are no number), a digit or "." starts a strtod read.
std::vector<size_t> numberOffsets(const char* text) {
    std::vector<size_t> offsets;
    const char* p = text;
    while (*p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalpha(c) || c == '_') {
            while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_') {
                ++p;
            }
        } else if (std::isdigit(c) || c == '.') {
            char* end = nullptr;
            std::strtod(p, &end);
            offsets.push_back(static_cast<size_t>(p - text));
            p = end > p ? end : p + 1;
        } else {
            ++p;
        }
    }
    return offsets;
}

bool sameValue(double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-12 * std::fabs(b);
}

[[noreturn]] void fail(const Case& c, const char* why, double got) {
    std::fprintf(stderr, "%s: %s (%.17g, expected %.17g)\n", c.name.c_str(), why, got, c.value);
    std::exit(1);
}

void prepare(Case& c) {
    int32_t failed = 1;
    c.value =
        evaluateExpression(*c.tool, c.text.c_str(), c.inputs.data(), c.outputs.data(), &failed);
    if (failed) {
        fail(c, "the evaluator fails", c.value);
    }
    c.numbers = numberOffsets(c.text.c_str());

    c.muParser.DefineFun("pow", muPow);
    c.muParser.DefineFun("round", muRound);
    for (int32_t i = 0; i < c.tool->inputCount; ++i) {
        c.muParser.DefineVar(c.tool->inputs[i].key, &c.inputs[i]);
        c.keys.push_back(const_cast<char*>(c.tool->inputs[i].key));
    }
    try {
        c.muParser.SetExpr(c.text);
        const double v = c.muParser.Eval();
        if (!sameValue(v, c.value)) {
            fail(c, "muparser disagrees", v);
        }
        c.muParses = true;
    } catch (const mu::Parser::exception_type&) {
        c.muParses = false;
    }

    // libmatheval takes a writable text; its scanner echoes characters it
    // does not know (such as "?") to stdout, which the caller discards.
    std::vector<char> text(c.text.begin(), c.text.end());
    text.push_back(0);
    if (void* f = evaluator_create(text.data())) {
        const double v =
            evaluator_evaluate(f, static_cast<int>(c.keys.size()), c.keys.data(), c.inputs.data());
        evaluator_destroy(f);
        if (!sameValue(v, c.value)) {
            fail(c, "libmatheval disagrees", v);
        }
        c.mathevalParses = true;
    }
}

void benchOurs(benchmark::State& state, const Case* c) {
    int32_t failed = 0;
    for (auto _ : state) {
        double v = evaluateExpression(*c->tool, c->text.c_str(), c->inputs.data(),
                                      c->outputs.data(), &failed);
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(failed);
    }
}

// The floor: reading the formula's numbers in place, nothing else.
void benchStrtod(benchmark::State& state, const Case* c) {
    const char* text = c->text.c_str();
    for (auto _ : state) {
        for (size_t offset : c->numbers) {
            char* end = nullptr;
            double v = std::strtod(text + offset, &end);
            benchmark::DoNotOptimize(v);
            benchmark::DoNotOptimize(end);
        }
    }
}

// One-shot use of muparser: set the expression and evaluate; the parser
// object with its variables and functions is made once, in its favour.
void benchMuParserOneShot(benchmark::State& state, Case* c) {
    for (auto _ : state) {
        c->muParser.SetExpr(c->text);
        double v = c->muParser.Eval();
        benchmark::DoNotOptimize(v);
    }
}

// For reference: muparser evaluating its already compiled bytecode.
void benchMuParserEvalOnly(benchmark::State& state, Case* c) {
    c->muParser.SetExpr(c->text);
    c->muParser.Eval();
    for (auto _ : state) {
        double v = c->muParser.Eval();
        benchmark::DoNotOptimize(v);
    }
}

// One-shot use of libmatheval: create, evaluate, destroy.
void benchMathevalOneShot(benchmark::State& state, Case* c) {
    std::vector<char> text(c->text.begin(), c->text.end());
    text.push_back(0);
    for (auto _ : state) {
        void* f = evaluator_create(text.data());
        double v = evaluator_evaluate(f, static_cast<int>(c->keys.size()), c->keys.data(),
                                      c->inputs.data());
        evaluator_destroy(f);
        benchmark::DoNotOptimize(v);
    }
}

void benchEvaluateTool(benchmark::State& state) {
    const ToolDefinition& tool = builtInTool();
    double inputs[MAX_TOOL_INPUTS] = {};
    for (int32_t i = 0; i < tool.inputCount; ++i) {
        inputs[i] = tool.inputs[i].defaultValue;
    }
    static wchar_t result[8192];
    static wchar_t verdict[VERDICT_CAPACITY];
    static wchar_t copy[8192];
    int32_t level = 0;
    for (auto _ : state) {
        evaluateTool(tool, inputs, result, countOf(result), verdict, countOf(verdict), &level, copy,
                     countOf(copy));
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(level);
    }
}

void benchShiftRoster(benchmark::State& state) {
    const double values[] = {40.0, 31.0};
    static wchar_t result[REPORT_CAPACITY];
    static wchar_t verdict[VERDICT_CAPACITY];
    for (auto _ : state) {
        SeverityLevel level = generateReport(ShiftRoster, ROSTER_TOOL, values, result,
                                             REPORT_CAPACITY, verdict, VERDICT_CAPACITY);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(level);
    }
}

void benchFormatValue(benchmark::State& state, const char* code, double value) {
    wchar_t text[VALUE_TEXT_CAPACITY];
    for (auto _ : state) {
        formatValue(code, value, text, countOf(text));
        benchmark::DoNotOptimize(text);
    }
}

// The roster must be whole in its buffer, or the benchmark measures a cut.
void checkRosterFits() {
    const double values[] = {40.0, 31.0};
    static wchar_t result[REPORT_CAPACITY];
    static wchar_t verdict[VERDICT_CAPACITY];
    generateReport(ShiftRoster, ROSTER_TOOL, values, result, REPORT_CAPACITY, verdict,
                   VERDICT_CAPACITY);
    if (textLength(result) >= REPORT_CAPACITY - 1 || textLength(result) < 6000) {
        std::fprintf(stderr, "roster: unexpected length %d\n", textLength(result));
        std::exit(1);
    }
}

std::vector<Case*> makeCases() {
    std::vector<Case*> cases;
    const ToolDefinition& tool = builtInTool();
    auto add = [&](std::string name, const ToolDefinition& t, const char* text) {
        Case* c = new Case;
        c->name = std::move(name);
        c->tool = &t;
        c->text = text;
        for (int32_t i = 0; i < t.inputCount; ++i) {
            c->inputs.push_back(t.inputs[i].defaultValue);
        }
        c->outputs.assign(MAX_TOOL_OUTPUTS, 0.0);
        cases.push_back(c);
    };
    for (int32_t i = 0; i < tool.outputCount; ++i) {
        add(tool.outputs[i].key, tool, tool.outputs[i].expression);
    }
    // An empty condition matches without evaluation, so it has no row.
    for (int32_t i = 0; i < tool.ruleCount; ++i) {
        if (tool.rules[i].condition[0] != 0) {
            add("rule" + std::to_string(i + 1), tool, tool.rules[i].condition);
        }
    }
    for (const ClinicalFormula& f : CLINICAL_FORMULAS) {
        add(f.name, CLINICAL_TOOL, f.text);
    }
    for (Case* c : cases) {
        prepare(*c);
    }
    return cases;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    checkRosterFits();
    // The cases live until the process ends, as the registered benchmarks do.
    for (Case* c : makeCases()) {
        benchmark::RegisterBenchmark(("ours/" + c->name).c_str(), benchOurs, c);
        benchmark::RegisterBenchmark(("strtod/" + c->name).c_str(), benchStrtod, c);
        if (c->muParses) {
            benchmark::RegisterBenchmark(("muparser_oneshot/" + c->name).c_str(),
                                         benchMuParserOneShot, c);
            benchmark::RegisterBenchmark(("muparser_eval/" + c->name).c_str(),
                                         benchMuParserEvalOnly, c);
        }
        if (c->mathevalParses) {
            benchmark::RegisterBenchmark(("matheval_oneshot/" + c->name).c_str(),
                                         benchMathevalOneShot, c);
        }
    }
    benchmark::RegisterBenchmark("evaluateTool/builtin_defaults", benchEvaluateTool);
    benchmark::RegisterBenchmark("generateReport/roster_40x31", benchShiftRoster);
    const char* codes[] = {"f0", "f1", "f2", "f3", "int", "pct"};
    for (const char* code : codes) {
        benchmark::RegisterBenchmark((std::string("formatValue/") + code).c_str(), benchFormatValue,
                                     code, 46.875);
    }
    benchmark::RegisterBenchmark("formatValue/date", benchFormatValue, "date", 19723.0);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
