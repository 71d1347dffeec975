// MultiByteToWideChar and WideCharToMultiByte for the ANSI code page (1252)
// and UTF-8. Both convert the whole input into a buffer of their own first:
// the size a caller asks for and the text it gets then come from one pass,
// and a destination that is too small is left unwritten.
#include <windows.h>

#include <new>
#include <string>
#include <string_view>

#include "kernel/code_page_1252.h"

namespace kmxwin {
namespace {

constexpr UINT kAnsiCodePage = 1252;
constexpr char16_t kReplacement = 0xFFFD;

enum class Encoding { kAnsi, kUtf8, kUnknown };

Encoding Classify(UINT code_page) {
    if (code_page == CP_ACP || code_page == kAnsiCodePage) return Encoding::kAnsi;
    if (code_page == CP_UTF8) return Encoding::kUtf8;
    return Encoding::kUnknown;
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf16(std::u16string& out, char32_t code_point) {
    if (code_point < 0x10000) {
        out.push_back(static_cast<char16_t>(code_point));
    } else {
        code_point -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
    }
}

// Decodes UTF-8; an ill-formed sequence becomes one U+FFFD (false when
// STRICT refuses it instead).
bool DecodeUtf8(std::string_view in, bool strict, std::u16string& out) {
    for (size_t i = 0; i < in.size();) {
        unsigned char lead = static_cast<unsigned char>(in[i]);
        size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
        char32_t code_point = length == 1   ? lead
                              : length == 2 ? lead & 0x1F
                              : length == 3 ? lead & 0x0F
                                            : lead & 0x07;
        size_t taken = 1;
        bool valid = length != 0;
        for (; valid && taken < length; ++taken) {
            if (i + taken >= in.size()) {
                valid = false;
                break;
            }
            unsigned char next = static_cast<unsigned char>(in[i + taken]);
            // The second byte's range also rules out overlong forms,
            // surrogates and code points beyond U+10FFFF.
            unsigned char low = 0x80, high = 0xBF;
            if (taken == 1) {
                if (lead == 0xE0) low = 0xA0;
                if (lead == 0xED) high = 0x9F;
                if (lead == 0xF0) low = 0x90;
                if (lead == 0xF4) high = 0x8F;
            }
            if (next < low || next > high) {
                valid = false;
                break;
            }
            code_point = code_point << 6 | (next & 0x3F);
        }
        if (!valid) {
            if (strict) return false;
            out.push_back(kReplacement);
            i += taken;
            continue;
        }
        AppendUtf16(out, code_point);
        i += length;
    }
    return true;
}

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD (false when
// STRICT refuses it instead).
bool EncodeUtf8(std::u16string_view in, bool strict, std::string& out) {
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t code_point = in[i];
        if (IsHighSurrogate(code_point) && i + 1 < in.size() && IsLowSurrogate(in[i + 1])) {
            code_point = 0x10000 + ((code_point - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(code_point) || IsLowSurrogate(code_point)) {
            if (strict) return false;
            code_point = kReplacement;
        }
        if (code_point < 0x80) {
            out.push_back(static_cast<char>(code_point));
        } else if (code_point < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code_point >> 6));
            out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
        } else if (code_point < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | code_point >> 12));
            out.push_back(static_cast<char>(0x80 | (code_point >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | code_point >> 18));
            out.push_back(static_cast<char>(0x80 | (code_point >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code_point >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
        }
    }
    return true;
}

// Encodes UTF-16 in code page 1252; USED_DEFAULT tells whether a character
// had to become DEFAULT_CHAR.
void EncodeAnsi(std::u16string_view in, char default_char, std::string& out, bool& used_default) {
    for (size_t i = 0; i < in.size(); ++i) {
        if (std::optional<unsigned char> byte = UnicodeToCodePage1252(in[i])) {
            out.push_back(static_cast<char>(*byte));
            continue;
        }
        if (IsHighSurrogate(in[i]) && i + 1 < in.size() && IsLowSurrogate(in[i + 1])) ++i;
        out.push_back(default_char);
        used_default = true;
    }
}

// Copies RESULT into DESTINATION (CAPACITY units; 0 asks for the size).
template <class Unit, class Text>
int Deliver(const Text& result, Unit* destination, int capacity) {
    if (result.size() > static_cast<size_t>(INT32_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int size = static_cast<int>(result.size());
    if (capacity == 0) return size;
    if (size > capacity) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(result.begin(), result.end(), destination);
    return size;
}

template <class Unit>
size_t TerminatedLength(const Unit* text) {
    size_t length = 0;
    while (text[length]) ++length;
    return length + 1;
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

UINT WINAPI GetACP(void) {
    return kAnsiCodePage;
}

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Encoding page = Classify(CodePage);
    if (page == Encoding::kUnknown) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD allowed =
        page == Encoding::kAnsi ? MB_PRECOMPOSED | MB_ERR_INVALID_CHARS : MB_ERR_INVALID_CHARS;
    if (dwFlags & ~allowed) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t length = cbMultiByte == -1 ? TerminatedLength(lpMultiByteStr) : size_t(cbMultiByte);
    std::string_view in(lpMultiByteStr, length);
    try {
        std::u16string out;
        if (page == Encoding::kAnsi) {
            out.reserve(in.size());
            for (char byte : in) out.push_back(CodePage1252ToUnicode(static_cast<BYTE>(byte)));
        } else if (!DecodeUtf8(in, dwFlags & MB_ERR_INVALID_CHARS, out)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        return Deliver(out, lpWideCharStr, cchWideChar);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                               LPBOOL lpUsedDefaultChar) {
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Encoding page = Classify(CodePage);
    // UTF-8 has a character for everything: no default character to ask for.
    if (page == Encoding::kUnknown ||
        (page == Encoding::kUtf8 && (lpDefaultChar || lpUsedDefaultChar))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD allowed = page == Encoding::kAnsi ? WC_NO_BEST_FIT_CHARS : WC_ERR_INVALID_CHARS;
    if (dwFlags & ~allowed) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t length = cchWideChar == -1 ? TerminatedLength(lpWideCharStr) : size_t(cchWideChar);
    std::u16string_view in(lpWideCharStr, length);
    try {
        std::string out;
        if (page == Encoding::kAnsi) {
            bool used_default = false;
            EncodeAnsi(in, lpDefaultChar ? *lpDefaultChar : '?', out, used_default);
            if (lpUsedDefaultChar) *lpUsedDefaultChar = used_default;
        } else if (!EncodeUtf8(in, dwFlags & WC_ERR_INVALID_CHARS, out)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        return Deliver(out, lpMultiByteStr, cbMultiByte);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

}  // extern "C"
