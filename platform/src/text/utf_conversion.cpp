#include "text/utf_conversion.h"

namespace kmxwin::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

char32_t NextCodePoint(std::u16string_view wide, size_t* index) {
    char16_t unit = wide[(*index)++];
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit <= 0xDBFF && *index < wide.size()) {
        char16_t low = wide[*index];
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++*index;
            return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return kReplacement;
}

std::string Utf16ToUtf8(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    size_t i = 0;
    while (i < wide.size()) AppendUtf8(out, NextCodePoint(wide, &i));
    return out;
}

}  // namespace kmxwin::text
