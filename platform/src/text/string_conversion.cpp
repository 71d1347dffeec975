// MultiByteToWideChar and WideCharToMultiByte for the ANSI code page and
// UTF-8. Both convert the whole input first: the size a caller asks for and
// the text it gets then come from one pass, and a destination that is too
// small is left unwritten.
#include <windows.h>

#include <algorithm>
#include <new>
#include <string>
#include <string_view>

#include "text/ansi_code_page.h"
#include "text/utf_conversion.h"

namespace kmxwin::text {
namespace {

enum class Encoding { kAnsi, kUtf8, kUnknown };

Encoding Classify(UINT code_page) {
    if (code_page == CP_ACP || code_page == kAnsiCodePage) return Encoding::kAnsi;
    if (code_page == CP_UTF8) return Encoding::kUtf8;
    return Encoding::kUnknown;
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
}  // namespace kmxwin::text

using namespace kmxwin::text;

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
            out = AnsiToUtf16(in);
        } else if (!Utf8ToUtf16(in, dwFlags & MB_ERR_INVALID_CHARS, out)) {
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
            out = Utf16ToAnsi(in, lpDefaultChar ? *lpDefaultChar : '?', &used_default);
            if (lpUsedDefaultChar) *lpUsedDefaultChar = used_default;
        } else if ((dwFlags & WC_ERR_INVALID_CHARS) && HasUnpairedSurrogate(in)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        } else {
            out = Utf16ToUtf8(in);
        }
        return Deliver(out, lpMultiByteStr, cbMultiByte);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

}  // extern "C"
