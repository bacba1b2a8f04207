#include "app/utf8_file.h"

#include "engine/text.h"

#include <cstdio>
#include <windows.h>

namespace {

// The text goes out in pieces of at most this many units; each piece's UTF-8
// form (at most 3 bytes a unit) fits the byte buffer, so no text is too long.
constexpr int PIECE_UNITS = 2048;
constexpr int PIECE_BYTES = 3 * PIECE_UNITS;

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

void writeUtf8File(const wchar_t* path, const wchar_t* text) {
    if (!path) {
        return;
    }
    FILE* file = _wfopen(path, L"wb");
    if (!file) {
        return;
    }
    const int32_t total = textLength(text);
    for (int32_t start = 0; start < total;) {
        int32_t units = total - start < PIECE_UNITS ? total - start : PIECE_UNITS;
        // Never split a surrogate pair between two pieces.
        if (start + units < total && isHighSurrogate(text[start + units - 1])) {
            --units;
        }
        char bytes[PIECE_BYTES];
        const int count = WideCharToMultiByte(CP_UTF8, 0, text + start, units, bytes, PIECE_BYTES,
                                              nullptr, nullptr);
        if (count > 0) {
            fwrite(bytes, 1, static_cast<size_t>(count), file);
        }
        start += units;
    }
    fclose(file);
}
