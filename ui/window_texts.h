// Texts that more than one part of the window shows.
#pragma once

// The suite's own web address, shown in the header and in the About box. The
// reserved .example domain can never lead a user to someone else's site.
inline constexpr wchar_t MAKER_WEB_ADDRESS[] = L"www.telmmedsuite.example";

// The verdict line's text while there is no result; Reset puts it back.
inline constexpr wchar_t VERDICT_PLACEHOLDER[] = L"填写左侧参数，点击“计算”";
