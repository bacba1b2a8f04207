// Recursive-descent evaluator: reads a formula once, left to right, and
// computes while it reads. Errors never stop the pass; they set the failure
// flag and the failing piece reads as its fallback value.
#include "engine/expression.h"
#include "engine/portable_math.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Formulas of a tool nest a few levels; this bound keeps a hostile or broken
// formula (thousands of "(" or "-") from exhausting the stack. Each
// parenthesis, call, prefix operator, "^" and branch of "?:" is one level.
constexpr int MAX_NESTING = 100;

// A name is read into this scratch: 63 characters and the terminator.
constexpr int NAME_CAPACITY = 64;

// cbrt is a power with this exponent, not a true cube root.
constexpr double ONE_THIRD = 0.3333333333333333;

// Every parse function below returns with the cursor on the next token, past
// any whitespace, so the operator loops need not skip blanks themselves.
struct ExpressionContext {
    const ToolDefinition* tool;
    const double* inputValues;
    const double* outputValues;
    const char* cursor;
    bool failed;
    int depth;
};

double parseConditional(ExpressionContext& ctx);
double parsePower(ExpressionContext& ctx);
double parsePrimary(ExpressionContext& ctx);

// Tested first against ' ': every other character of a formula is above it,
// so the usual case costs one comparison.
bool isSpace(char c) {
    return c <= ' ' && (c == ' ' || c == '\t' || c == '\n' || c == '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isNameChar(char c) {
    return isLetter(c) || isDigit(c);
}

void skipSpaces(ExpressionContext& ctx) {
    while (isSpace(*ctx.cursor)) {
        ++ctx.cursor;
    }
}

bool startsWith(const char* text, const char* prefix) {
    while (*prefix) {
        if (*text++ != *prefix++) {
            return false;
        }
    }
    return true;
}

bool sameText(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}

// Enters one nesting level; past MAX_NESTING the expression fails instead.
bool descend(ExpressionContext& ctx) {
    if (ctx.depth >= MAX_NESTING) {
        ctx.failed = true;
        return false;
    }
    ++ctx.depth;
    return true;
}

void ascend(ExpressionContext& ctx) {
    --ctx.depth;
}

// Descends, parses one nested operand with parse, and comes back up; a too
// deep operand reads as 0 and leaves the cursor on the next token.
double nested(ExpressionContext& ctx, double (*parse)(ExpressionContext&)) {
    if (!descend(ctx)) {
        skipSpaces(ctx);
        return 0.0;
    }
    const double value = parse(ctx);
    ascend(ctx);
    return value;
}

double truth(bool value) {
    return value ? 1.0 : 0.0;
}

// applyFunction: the one-argument functions; an unknown name or a domain
// error fails and gives 0.
double applyFunction(const char* name, double x, bool& failed) {
    if (sameText(name, "sqrt")) {
        if (x < 0) {
            failed = true;
            return 0.0;
        }
        return std::sqrt(x);
    }
    if (sameText(name, "abs")) {
        return std::fabs(x);
    }
    if (sameText(name, "log") || sameText(name, "log10")) {
        if (x <= 0) {
            failed = true;
            return 0.0;
        }
        return name[3] == 0 ? portableLog(x) : portableLog10(x);
    }
    if (sameText(name, "exp")) {
        return portableExp(x);
    }
    if (sameText(name, "floor")) {
        return std::floor(x);
    }
    if (sameText(name, "ceil")) {
        return std::ceil(x);
    }
    if (sameText(name, "round")) {
        return std::floor(x + 0.5);
    }
    if (sameText(name, "cbrt")) {
        return x >= 0 ? portablePow(x, ONE_THIRD) : -portablePow(-x, ONE_THIRD);
    }
    if (sameText(name, "sign")) {
        return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
    }
    failed = true;
    return 0.0;
}

// Two-argument functions: min, max, pow, mod; anything else fails with 0.
double applyFunction2(const char* name, double a, double b, bool& failed) {
    if (sameText(name, "min")) {
        return a < b ? a : b;
    }
    if (sameText(name, "max")) {
        return a > b ? a : b;
    }
    if (sameText(name, "pow")) {
        return portablePow(a, b);
    }
    if (sameText(name, "mod") && b != 0) {
        return std::fmod(a, b);
    }
    failed = true;
    return 0.0;
}

// The first input bearing the name, else the first output, else failure.
double lookUpName(ExpressionContext& ctx, const char* name) {
    const ToolDefinition& tool = *ctx.tool;
    for (int32_t i = 0; i < tool.inputCount && i < MAX_TOOL_INPUTS; ++i) {
        if (sameText(tool.inputs[i].key, name)) {
            return ctx.inputValues ? ctx.inputValues[i] : 0.0;
        }
    }
    for (int32_t j = 0; j < tool.outputCount && j < MAX_TOOL_OUTPUTS; ++j) {
        if (sameText(tool.outputs[j].key, name)) {
            return ctx.outputValues ? ctx.outputValues[j] : 0.0;
        }
    }
    ctx.failed = true;
    return 0.0;
}

// Expects c at the cursor: steps past it, or fails without moving.
void expect(ExpressionContext& ctx, char c) {
    if (*ctx.cursor == c) {
        ++ctx.cursor;
    } else {
        ctx.failed = true;
    }
}

// Expects a closing c, as expect does, and moves on to the next token.
void expectClosing(ExpressionContext& ctx, char c) {
    expect(ctx, c);
    skipSpaces(ctx);
}

// call := name "(" conditional ("," conditional)? ")"
double parseCall(ExpressionContext& ctx, const char* name) {
    ++ctx.cursor; // "("
    const double a = nested(ctx, parseConditional);
    if (*ctx.cursor == ',') {
        ++ctx.cursor;
        const double b = nested(ctx, parseConditional);
        expectClosing(ctx, ')');
        return applyFunction2(name, a, b, ctx.failed);
    }
    expectClosing(ctx, ')');
    return applyFunction(name, a, ctx.failed);
}

// name := letter (letter | digit)*   followed by a call or standing for a value
double parseName(ExpressionContext& ctx) {
    char name[NAME_CAPACITY];
    int length = 0;
    while (isNameChar(*ctx.cursor) && length < NAME_CAPACITY - 1) {
        name[length++] = *ctx.cursor++;
    }
    name[length] = 0;
    skipSpaces(ctx);
    if (*ctx.cursor == '(') {
        return parseCall(ctx, name);
    }
    return lookUpName(ctx, name);
}

// number := what strtod reads: decimal or hexadecimal, fraction, exponent
double parseNumber(ExpressionContext& ctx) {
    char* end = nullptr;
    const double value = std::strtod(ctx.cursor, &end);
    if (end == ctx.cursor) {
        ctx.failed = true;
        return 0.0;
    }
    ctx.cursor = end;
    skipSpaces(ctx);
    return value;
}

// primary := ("-" | "+" | "!") primary | number | name | call | "(" conditional ")"
double parsePrimary(ExpressionContext& ctx) {
    skipSpaces(ctx);
    // Any number of prefix "+" change nothing; they are skipped in a loop.
    while (*ctx.cursor == '+') {
        ++ctx.cursor;
        skipSpaces(ctx);
    }
    const char c = *ctx.cursor;
    if (c == '(') {
        ++ctx.cursor;
        const double value = nested(ctx, parseConditional);
        expectClosing(ctx, ')');
        return value;
    }
    if (c == '-') {
        ++ctx.cursor;
        return -nested(ctx, parsePrimary);
    }
    if (c == '!') {
        ++ctx.cursor;
        return truth(nested(ctx, parsePrimary) == 0);
    }
    if (isDigit(c) || c == '.') {
        return parseNumber(ctx);
    }
    if (isLetter(c)) {
        return parseName(ctx);
    }
    ctx.failed = true;
    return 0.0;
}

// power := primary ("^" power)?
double parsePower(ExpressionContext& ctx) {
    const double base = parsePrimary(ctx);
    if (*ctx.cursor != '^') {
        return base;
    }
    ++ctx.cursor;
    return portablePow(base, nested(ctx, parsePower));
}

// multiplicative := power (("*" | "/" | "%") power)*
double parseMultiplicative(ExpressionContext& ctx) {
    double value = parsePower(ctx);
    for (;;) {
        const char c = *ctx.cursor;
        if (c == '*' && ctx.cursor[1] == '*') {
            return value; // "**" is no operator; the rest stays unread
        }
        if (c != '*' && c != '/' && c != '%') {
            return value;
        }
        ++ctx.cursor;
        const double b = parsePower(ctx);
        if (c == '*') {
            value *= b;
        } else if (b == 0) {
            // Division by zero drops the whole chain of factors.
            ctx.failed = true;
            return 0.0;
        } else {
            value = c == '/' ? value / b : std::fmod(value, b);
        }
    }
}

// additive := multiplicative (("+" | "-") multiplicative)*
double parseAdditive(ExpressionContext& ctx) {
    double value = parseMultiplicative(ctx);
    for (;;) {
        if (*ctx.cursor == '+') {
            ++ctx.cursor;
            value += parseMultiplicative(ctx);
        } else if (*ctx.cursor == '-') {
            ++ctx.cursor;
            value -= parseMultiplicative(ctx);
        } else {
            return value;
        }
    }
}

// comparison := additive (("<=" | ">=" | "==" | "!=" | "<" | ">") additive)?
double parseComparison(ExpressionContext& ctx) {
    const double v = parseAdditive(ctx);
    // Every operand of a formula passes through here; most have no
    // comparison after them, and every operator starts with one of these.
    const char next = *ctx.cursor;
    if (next != '<' && next != '>' && next != '=' && next != '!') {
        return v;
    }
    static const char* const OPERATORS[] = {"<=", ">=", "==", "!=", "<", ">"};
    for (int op = 0; op < 6; ++op) {
        const char* text = OPERATORS[op];
        if (!startsWith(ctx.cursor, text)) {
            continue;
        }
        ctx.cursor += text[1] ? 2 : 1;
        const double b = parseAdditive(ctx);
        switch (op) {
        case 0:
            return truth(v <= b);
        case 1:
            return truth(v >= b);
        case 2:
            return truth(v == b);
        case 3:
            return truth(v != b);
        case 4:
            return truth(v < b);
        default:
            return truth(v > b);
        }
    }
    return v;
}

// and := comparison ("&&" comparison)*   both sides always evaluated
double parseAnd(ExpressionContext& ctx) {
    double value = parseComparison(ctx);
    for (;;) {
        if (!startsWith(ctx.cursor, "&&")) {
            return value;
        }
        ctx.cursor += 2;
        const double b = parseComparison(ctx);
        value = truth(value != 0 && b != 0);
    }
}

// or := and ("||" and)*   both sides always evaluated
double parseOr(ExpressionContext& ctx) {
    double value = parseAnd(ctx);
    for (;;) {
        if (!startsWith(ctx.cursor, "||")) {
            return value;
        }
        ctx.cursor += 2;
        const double b = parseAnd(ctx);
        value = truth(value != 0 || b != 0);
    }
}

// conditional := or ("?" conditional ":" conditional)?   both branches evaluated
double parseConditional(ExpressionContext& ctx) {
    const double condition = parseOr(ctx);
    if (*ctx.cursor != '?') {
        return condition;
    }
    ++ctx.cursor;
    const double a = nested(ctx, parseConditional);
    expect(ctx, ':');
    const double b = nested(ctx, parseConditional);
    return condition == 0 ? b : a;
}

} // namespace

double evaluateExpression(const ToolDefinition& tool, const char* expression,
                          const double* inputValues, const double* outputValues, int32_t* failed) {
    if (!expression || *expression == 0) {
        if (failed) {
            *failed = 1;
        }
        return 0.0;
    }
    ExpressionContext ctx = {&tool, inputValues, outputValues, expression, false, 0};
    const double value = parseConditional(ctx);
    skipSpaces(ctx);
    const bool fails = *ctx.cursor != 0 || ctx.failed || !std::isfinite(value);
    if (failed) {
        *failed = fails ? 1 : 0;
    }
    return value;
}
