#include "ansi_text.h"

#include <windows.h>

namespace kmxlang {
namespace {

std::optional<std::u16string> Utf16(UINT code_page, DWORD flags, const std::string& text) {
    if (text.empty()) return std::u16string();
    int length = static_cast<int>(text.size());
    int size = MultiByteToWideChar(code_page, flags, text.data(), length, nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::u16string wide(static_cast<size_t>(size), u'\0');
    MultiByteToWideChar(code_page, flags, text.data(), length, wide.data(), size);
    return wide;
}

std::string Narrow(UINT code_page, const std::u16string& wide, BOOL* used_default) {
    if (wide.empty()) return {};
    int length = static_cast<int>(wide.size());
    int size =
        WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, used_default);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(code_page, 0, wide.data(), length, narrow.data(), size, nullptr,
                        used_default);
    return narrow;
}

}  // namespace

std::optional<std::string> AnsiFromUtf8(const std::string& text) {
    std::optional<std::u16string> wide = Utf16(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    if (!wide) return std::nullopt;
    BOOL used_default = FALSE;
    std::string ansi = Narrow(CP_ACP, *wide, &used_default);
    if (used_default) return std::nullopt;
    return ansi;
}

std::string Utf8FromAnsi(const std::string& text) {
    return Narrow(CP_UTF8, Utf16(CP_ACP, 0, text).value_or(u""), nullptr);
}

}  // namespace kmxlang
