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

} // namespace
