// Bounded UTF-16 text helpers used by the whole program. Every buffer travels
// with its capacity in units, terminating zero included; writes never pass it
// and a text that does not fit is cut without notice.
#pragma once

#include <cstddef>
#include <cstdint>

// Number of elements of a fixed array, for passing a buffer with its capacity.
template <typename T, size_t N> constexpr int32_t countOf([[maybe_unused]] const T (&array)[N]) {
    return static_cast<int32_t>(N);
}

// Length of a zero-terminated text in units; null counts as empty.
int32_t textLength(const wchar_t* text);

// Appends as much of text as fits after the buffer's current text; a full
// buffer, a capacity below 1 or a null text leaves the buffer unchanged.
void appendBounded(wchar_t* buffer, int32_t capacity, const wchar_t* text);

// Copies at most capacity - 1 units of source and terminates; null copies as
// empty; a capacity below 1 writes nothing.
void copyBounded(wchar_t* buffer, int32_t capacity, const wchar_t* source);

// printf-style formatting into buffer, cut at capacity - 1 units and always
// terminated (nothing written for a capacity below 1). Numbers go through the
// C library's snprintf in the "C" locale, so they read the same on every
// build. Conversions: d i u x X c s f e E g G %, with flags, width, precision
// and the length modifiers hh h l ll z; %ls and %s take UTF-16 and 8-bit text
// (null prints as "(null)"), %c and %lc take one unit.
void formatBounded(wchar_t* buffer, int32_t capacity, const wchar_t* format, ...);
