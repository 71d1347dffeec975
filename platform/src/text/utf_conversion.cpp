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

bool HasUnpairedSurrogate(std::u16string_view wide) {
    for (size_t i = 0; i < wide.size();) {
        char16_t unit = wide[i];
        if (NextCodePoint(wide, &i) == kReplacement && unit != kReplacement) return true;
    }
    return false;
}

bool Utf8ToUtf16(std::string_view utf8, bool strict, std::u16string& out) {
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
        char32_t cp = length == 1   ? lead
                      : length == 2 ? lead & 0x1F
                      : length == 3 ? lead & 0x0F
                                    : lead & 0x07;
        size_t taken = 1;
        bool valid = length != 0;
        for (; valid && taken < length; ++taken) {
            unsigned char next = i + taken < utf8.size() ? utf8[i + taken] : 0;
            // The second byte's range also rules out overlong forms,
            // surrogates and code points beyond U+10FFFF.
            unsigned char low = 0x80, high = 0xBF;
            if (taken == 1) {
                if (lead == 0xE0) low = 0xA0;
                if (lead == 0xED) high = 0x9F;
                if (lead == 0xF0) low = 0x90;
                if (lead == 0xF4) high = 0x8F;
            }
            valid = next >= low && next <= high;
            if (valid) cp = cp << 6 | (next & 0x3F);
        }
        if (!valid) {
            // The bytes that began a sequence stand for one replacement.
            if (strict) return false;
            out.push_back(static_cast<char16_t>(kReplacement));
            i += taken == 1 ? 1 : taken - 1;
            continue;
        }
        if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
        i += length;
    }
    return true;
}

std::string Utf16ToUtf8(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    size_t i = 0;
    while (i < wide.size()) AppendUtf8(out, NextCodePoint(wide, &i));
    return out;
}

}  // namespace kmxwin::text
