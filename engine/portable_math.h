// pow, exp, log and log10 with the same bits on every build. The C
// libraries of the native build and of the Windows exe round these functions
// differently in the last bits (MinGW's pow by many units), so formulas would
// give different numbers on each; these use plain double arithmetic only,
// which IEEE 754 makes identical everywhere.
#pragma once

// base raised to exponent, correctly rounded but for rare near-halfway cases.
// Zero, infinite and NaN operands, and a negative base with a non-integer
// exponent, give what the C library's pow gives: exact values, the same
// everywhere.
double portablePow(double base, double exponent);

// e raised to x, correctly rounded but for rare near-halfway cases; overflow
// gives infinity, underflow zero, NaN stays NaN.
double portableExp(double x);

// Natural logarithm, correctly rounded but for rare near-halfway cases; zero,
// negative, infinite and NaN arguments give what the C library's log gives.
double portableLog(double x);

// Base-10 logarithm, as portableLog; exact powers of ten give their exponent.
double portableLog10(double x);
