// The engine computes in caller buffers and fixed scratch only: no call may
// reach the heap. This native test replaces glibc's allocator entry points
// with counting ones and runs the engine between two readings.
#include "engine/expression.h"
#include "engine/report.h"
#include "engine/text.h"
#include "engine/tool.h"

#include <cstddef>
#include <gtest/gtest.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);
}

namespace {
// Counts allocations while a measurement runs; single-threaded test.
struct AllocationCounter {
    bool counting;
    long count;
};
AllocationCounter counter;

void note() {
    if (counter.counting) {
        ++counter.count;
    }
}
} // namespace

extern "C" void* malloc(size_t size) {
    note();
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
    note();
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, size_t size) {
    note();
    return __libc_realloc(block, size);
}
extern "C" void free(void* block) {
    __libc_free(block);
}

namespace {

template <typename Work> long allocationsDuring(Work work) {
    counter = {true, 0};
    work();
    counter.counting = false;
    return counter.count;
}

TEST(Allocation, EvaluateToolAndExpressionsUseNoHeap) {
    const ToolDefinition& tool = builtInTool();
    const double inputs[][2] = {{15, 5}, {8, 12}, {25, 7}, {1e300, -1e300}};
    for (const auto& values : inputs) {
        wchar_t result[4096];
        wchar_t verdict[512];
        wchar_t copy[8192];
        int32_t level = 0;
        EXPECT_EQ(allocationsDuring([&] {
                      evaluateTool(tool, values, result, countOf(result), verdict, countOf(verdict),
                                   &level, copy, countOf(copy));
                  }),
                  0);
    }
    const char* formulas[] = {"w*pct*10/2/8", "sqrt(w)+log(pct)^2",           "1e999",
                              "0x1p4+.5e-3",  "max(pow(-1,0.5),3) ? w : pct", "unknown_name(1,2)"};
    const double values[] = {15, 5};
    const double outputs[16] = {};
    for (const char* formula : formulas) {
        int32_t failed = 0;
        EXPECT_EQ(
            allocationsDuring([&] { evaluateExpression(tool, formula, values, outputs, &failed); }),
            0)
            << formula;
    }
}

TEST(Allocation, FormattingUsesNoHeap) {
    const char* codes[] = {"f0", "f1", "f2", "f3", "int", "pct", "date", nullptr, "F0"};
    const double values[] = {0, -0.4, 46.875, 1e300, -1e300, 9.3e18, 2932897, -719163.5};
    for (const char* code : codes) {
        for (double value : values) {
            wchar_t text[128];
            EXPECT_EQ(allocationsDuring([&] { formatValue(code, value, text, countOf(text)); }), 0);
        }
    }
    wchar_t text[256];
    EXPECT_EQ(allocationsDuring([&] {
                  formatBounded(text, countOf(text), L"%ls|%d|%.6g|%04lld|%s|%c|%%", L"体重", 7,
                                0.1, -5LL, "key", L'A');
                  civilFromDays(-9223372036854775807LL - 1, text, countOf(text));
              }),
              0);
}

TEST(Allocation, EveryReportKindUsesNoHeap) {
    // One tool that carries every key the generators read, at values that
    // make the longest reports.
    const InputField inputs[] = {
        {"nurses", L"护士", nullptr, 40},  {"days", L"天数", nullptr, 31},
        {"start", L"起始", nullptr, 7.75}, {"interval", L"间隔", nullptr, 1.5},
        {"times", L"次数", nullptr, 30},   {"kind", L"项目", nullptr, 1},
        {"drugA", L"药A", nullptr, 2},     {"drugB", L"药B", nullptr, 1},
        {"gap", L"间隔", nullptr, 14},     {"beds", L"床数", nullptr, 30},
        {"bed", L"床号", nullptr, 12},     {"dose", L"药量", nullptr, 2.5},
        {"volume", L"溶媒", nullptr, 250}, {"gtt", L"滴速", nullptr, 40},
        {"panel", L"套餐", nullptr, 2},
    };
    double values[countOf(inputs)];
    for (int32_t i = 0; i < countOf(inputs); ++i) {
        values[i] = inputs[i].defaultValue;
    }
    const ToolDefinition tool = {901,     L"报告",         nullptr,    L"护理", L"参考",
                                 nullptr, countOf(inputs), inputs,     0,       nullptr,
                                 0,       nullptr,         ShiftRoster};
    wchar_t result[8192];
    wchar_t verdict[512];
    // The C library loads the local time zone on its first use, once per
    // process: the follow-up plan runs once before anything is counted.
    generateReport(FollowUpPlan, tool, values, result, countOf(result), verdict, countOf(verdict));
    for (int32_t kind = -1; kind <= 12; ++kind) {
        for (int32_t capacity : {8192, 4096, 100}) {
            EXPECT_EQ(allocationsDuring([&] {
                          generateReport(static_cast<ReportKind>(kind), tool, values, result,
                                         capacity, verdict, countOf(verdict));
                      }),
                      0)
                << "kind " << kind << " capacity " << capacity;
        }
    }
}

} // namespace
