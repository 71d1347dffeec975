// Code page 1252, the platform's ANSI code page. Bytes below 0x80 and from
// 0xA0 on stand for the Unicode characters of the same value; the 32 bytes
// between stand for the characters below. The five bytes that the code page
// leaves undefined stand for the C1 controls of their own value, as Windows
// maps them, so that every byte survives a round trip.
#pragma once

#include <optional>

namespace kmxwin {

inline constexpr char16_t kCodePage1252From80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr char16_t CodePage1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCodePage1252From80[byte - 0x80] : char16_t(byte);
}

// The byte of CHARACTER, or nullopt when the code page has none.
constexpr std::optional<unsigned char> UnicodeToCodePage1252(char16_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<unsigned char>(character);
    for (unsigned i = 0; i < 32; ++i)
        if (kCodePage1252From80[i] == character) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

}  // namespace kmxwin
