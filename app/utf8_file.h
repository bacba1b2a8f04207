// Storing text as UTF-8.
#pragma once

// Creates or empties the file at path and writes text to it as UTF-8 without
// a byte-order mark, however long the text. A file that cannot be opened is
// silently skipped; a null text writes an empty file.
void writeUtf8File(const wchar_t* path, const wchar_t* text);
