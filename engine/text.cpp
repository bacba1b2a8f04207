#include "engine/text.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <type_traits>

int32_t textLength(const wchar_t* text) {
    int32_t length = 0;
    if (text) {
        while (text[length] != 0) {
            ++length;
        }
    }
    return length;
}

void appendBounded(wchar_t* buffer, int32_t capacity, const wchar_t* text) {
    if (!buffer || capacity < 1 || !text) {
        return;
    }
    int32_t length = 0;
    while (length < capacity && buffer[length] != 0) {
        ++length;
    }
    if (length >= capacity - 1) {
        return;
    }
    while (length < capacity - 1 && *text != 0) {
        buffer[length++] = *text++;
    }
    buffer[length] = 0;
}

void copyBounded(wchar_t* buffer, int32_t capacity, const wchar_t* source) {
    if (!buffer || capacity < 1) {
        return;
    }
    buffer[0] = 0;
    appendBounded(buffer, capacity, source);
}

namespace {

// Room for one converted number: a fixed-point double prints at most 309
// integer digits, and widths and precisions are capped below the rest.
constexpr int NUMBER_TEXT_CAPACITY = 512;
constexpr int MAX_WIDTH_OR_PRECISION = 160;

// The output being written: position and capacity travel together.
struct Sink {
    wchar_t* buffer;
    int32_t capacity;
    int32_t length;
};

void put(Sink& sink, wchar_t unit) {
    if (sink.length < sink.capacity - 1) {
        sink.buffer[sink.length++] = unit;
    }
}

void putPadding(Sink& sink, int count) {
    for (int i = 0; i < count; ++i) {
        put(sink, L' ');
    }
}

// One %-conversion, as read from the format.
struct Conversion {
    char flags[8];
    int width;      // -1: none
    int precision;  // -1: none
    char length[3]; // "", "h", "hh", "l", "ll", "z"
    wchar_t type;
};

bool isFlag(wchar_t c) {
    return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0';
}

bool hasFlag(const Conversion& conversion, char flag) {
    for (const char* f = conversion.flags; *f; ++f) {
        if (*f == flag) {
            return true;
        }
    }
    return false;
}

int readNumber(const wchar_t*& cursor) {
    int value = 0;
    while (*cursor >= L'0' && *cursor <= L'9') {
        if (value < MAX_WIDTH_OR_PRECISION) {
            value = value * 10 + (*cursor - L'0');
        }
        ++cursor;
    }
    return value < MAX_WIDTH_OR_PRECISION ? value : MAX_WIDTH_OR_PRECISION;
}

// conversion := flags* width? ("." precision)? length? type
const wchar_t* readConversion(const wchar_t* cursor, Conversion& conversion) {
    int flagCount = 0;
    while (isFlag(*cursor)) {
        if (flagCount < 7) {
            conversion.flags[flagCount++] = static_cast<char>(*cursor);
        }
        ++cursor;
    }
    conversion.flags[flagCount] = 0;
    conversion.width = (*cursor >= L'0' && *cursor <= L'9') ? readNumber(cursor) : -1;
    conversion.precision = -1;
    if (*cursor == L'.') {
        ++cursor;
        conversion.precision = readNumber(cursor);
    }
    int lengthCount = 0;
    while ((*cursor == L'h' || *cursor == L'l' || *cursor == L'z') && lengthCount < 2) {
        conversion.length[lengthCount++] = static_cast<char>(*cursor++);
    }
    conversion.length[lengthCount] = 0;
    conversion.type = *cursor;
    return *cursor ? cursor + 1 : cursor;
}

bool lengthIs(const Conversion& conversion, const char* length) {
    const char* a = conversion.length;
    while (*a && *a == *length) {
        ++a;
        ++length;
    }
    return *a == *length;
}

// Rebuilds the conversion as an 8-bit format for snprintf.
void narrowFormat(const Conversion& conversion, char* format, int capacity) {
    char number[16];
    int length = 0;
    auto add = [&](const char* piece) {
        while (*piece && length < capacity - 1) {
            format[length++] = *piece++;
        }
    };
    add("%");
    add(conversion.flags);
    if (conversion.width >= 0) {
        std::snprintf(number, sizeof number, "%d", conversion.width);
        add(number);
    }
    if (conversion.precision >= 0) {
        std::snprintf(number, sizeof number, ".%d", conversion.precision);
        add(number);
    }
    add(conversion.length);
    const char type[2] = {static_cast<char>(conversion.type), 0};
    add(type);
    format[length] = 0;
}

template <typename Unit> void putText(Sink& sink, const Conversion& conversion, const Unit* text) {
    static const Unit NULL_TEXT[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
    if (!text) {
        text = NULL_TEXT;
    }
    int length = 0;
    while (text[length] != 0 && (conversion.precision < 0 || length < conversion.precision)) {
        ++length;
    }
    const int padding = conversion.width > length ? conversion.width - length : 0;
    const bool left = hasFlag(conversion, '-');
    if (!left) {
        putPadding(sink, padding);
    }
    for (int i = 0; i < length; ++i) {
        // 8-bit texts here are ASCII keys and codes; each byte is one unit.
        put(sink,
            static_cast<wchar_t>(
                static_cast<std::conditional_t<sizeof(Unit) == 1, unsigned char, Unit>>(text[i])));
    }
    if (left) {
        putPadding(sink, padding);
    }
}

void putNumber(Sink& sink, const Conversion& conversion, va_list& args) {
    char format[40];
    narrowFormat(conversion, format, sizeof format);
    char text[NUMBER_TEXT_CAPACITY];
    text[0] = 0;
    const wchar_t type = conversion.type;
    if (type == L'f' || type == L'F' || type == L'e' || type == L'E' || type == L'g' ||
        type == L'G') {
        std::snprintf(text, sizeof text, format, va_arg(args, double));
    } else if (type == L'd' || type == L'i') {
        if (lengthIs(conversion, "ll")) {
            std::snprintf(text, sizeof text, format, va_arg(args, long long));
        } else if (lengthIs(conversion, "l")) {
            std::snprintf(text, sizeof text, format, va_arg(args, long));
        } else if (lengthIs(conversion, "z")) {
            std::snprintf(text, sizeof text, format, va_arg(args, ptrdiff_t));
        } else {
            std::snprintf(text, sizeof text, format, va_arg(args, int));
        }
    } else {
        if (lengthIs(conversion, "ll")) {
            std::snprintf(text, sizeof text, format, va_arg(args, unsigned long long));
        } else if (lengthIs(conversion, "l")) {
            std::snprintf(text, sizeof text, format, va_arg(args, unsigned long));
        } else if (lengthIs(conversion, "z")) {
            std::snprintf(text, sizeof text, format, va_arg(args, size_t));
        } else {
            std::snprintf(text, sizeof text, format, va_arg(args, unsigned int));
        }
    }
    for (const char* c = text; *c; ++c) {
        put(sink, static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
}

} // namespace

void formatBounded(wchar_t* buffer, int32_t capacity, const wchar_t* format, ...) {
    if (!buffer || capacity < 1) {
        return;
    }
    Sink sink = {buffer, capacity, 0};
    va_list args;
    va_start(args, format);
    for (const wchar_t* cursor = format ? format : L""; *cursor;) {
        if (*cursor != L'%') {
            put(sink, *cursor++);
            continue;
        }
        Conversion conversion = {};
        cursor = readConversion(cursor + 1, conversion);
        switch (conversion.type) {
        case L'%':
            put(sink, L'%');
            break;
        case L'c': {
            const wchar_t unit[2] = {static_cast<wchar_t>(va_arg(args, int)), 0};
            putText(sink, conversion, unit);
            break;
        }
        case L's':
            if (lengthIs(conversion, "l")) {
                putText(sink, conversion, va_arg(args, const wchar_t*));
            } else {
                putText(sink, conversion, va_arg(args, const char*));
            }
            break;
        case L'd':
        case L'i':
        case L'u':
        case L'x':
        case L'X':
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
            putNumber(sink, conversion, args);
            break;
        default:
            // An unknown conversion consumes no argument and prints nothing.
            break;
        }
    }
    va_end(args);
    sink.buffer[sink.length] = 0;
}
