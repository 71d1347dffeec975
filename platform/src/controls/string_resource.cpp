#include "controls/string_resource.h"

#include "text/ansi_code_page.h"

#include <string.h>

namespace kmxwin::controls {

std::string LoadStringResource(HINSTANCE instance, UINT id) {
    // Strings come in tables of sixteen, table N holding ids 16 (N - 1) to
    // 16 N - 1, each a length word and that many UTF-16 units.
    constexpr UINT kPerTable = 16;
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(id / kPerTable + 1), RT_STRING);
    if (!resource) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, resource)));
    size_t size = SizeofResource(instance, resource);
    size_t offset = 0;
    for (UINT index = 0; data && index < kPerTable; ++index) {
        WORD length;
        if (offset + sizeof length > size) return {};
        memcpy(&length, data + offset, sizeof length);
        offset += sizeof length;
        if (offset + length * sizeof(char16_t) > size) return {};
        if (index == id % kPerTable) {
            std::u16string text(length, u'\0');
            memcpy(text.data(), data + offset, length * sizeof(char16_t));
            return text::Utf16ToAnsi(text);
        }
        offset += length * sizeof(char16_t);
    }
    return {};
}

std::string TextOrStringResource(HINSTANCE instance, LPCSTR text) {
    if (!text) return {};
    if (IS_INTRESOURCE(text))
        return LoadStringResource(instance, static_cast<UINT>(reinterpret_cast<uintptr_t>(text)));
    return text;
}

}  // namespace kmxwin::controls
