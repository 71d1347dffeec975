// Windows-1252: bytes below 0x80 and from 0xA0 are the same Unicode code
// points; the range 0x80..0x9F has its own table.
#include "text/ansi_code_page.h"

namespace kmxwin::text {
namespace {

// 0x80..0x9F. The undefined bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D keep their
// own value, so that every byte survives a round trip through UTF-16.
constexpr WCHAR kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

WCHAR AnsiToWide(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return byte;
}

bool WideToAnsi(WCHAR unit, unsigned char* byte) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        *byte = static_cast<unsigned char>(unit);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit) {
            *byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

std::u16string AnsiToUtf16(std::string_view ansi) {
    std::u16string wide;
    wide.reserve(ansi.size());
    for (char c : ansi) wide.push_back(AnsiToWide(static_cast<unsigned char>(c)));
    return wide;
}

std::string Utf16ToAnsi(std::u16string_view wide, char default_char, bool* used_default) {
    std::string ansi;
    ansi.reserve(wide.size());
    bool defaulted = false;
    for (WCHAR unit : wide) {
        unsigned char byte;
        if (WideToAnsi(unit, &byte)) {
            ansi.push_back(static_cast<char>(byte));
        } else {
            ansi.push_back(default_char);
            defaulted = true;
        }
    }
    if (used_default) *used_default = defaulted;
    return ansi;
}

}  // namespace kmxwin::text
