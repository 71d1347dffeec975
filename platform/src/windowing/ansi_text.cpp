#include "windowing/ansi_text.h"

#include <algorithm>
#include <array>

namespace kmxwin::win {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned
// codes map to the C1 controls, as Windows maps them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

WCHAR AnsiCharToWide(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kHighControls[c - 0x80];
    return c;
}

unsigned char WideCharToAnsi(WCHAR c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    auto found = std::find(kHighControls.begin(), kHighControls.end(), c);
    if (found != kHighControls.end())
        return static_cast<unsigned char>(0x80 + (found - kHighControls.begin()));
    return '?';
}

std::u16string AnsiToWide(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (char c : text) wide.push_back(AnsiCharToWide(static_cast<unsigned char>(c)));
    return wide;
}

std::string WideToAnsi(std::u16string_view text) {
    std::string ansi;
    ansi.reserve(text.size());
    for (char16_t c : text) ansi.push_back(static_cast<char>(WideCharToAnsi(c)));
    return ansi;
}

size_t WideLength(LPCWSTR text) {
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

}  // namespace kmxwin::win
