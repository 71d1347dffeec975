#include "gdi/system_colors.h"

#include "gdi/stock_objects.h"

#include <array>

namespace kmxwin::gdi {
namespace {

constexpr COLORREF kStandardScheme[] = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(192, 192, 192),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25: no colour of its own
    RGB(0, 0, 255),      // COLOR_HOTLIGHT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(181, 181, 181),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),      // COLOR_MENUHILIGHT
    RGB(192, 192, 192),  // COLOR_MENUBAR
};
constexpr int kColorCount = sizeof kStandardScheme / sizeof kStandardScheme[0];

bool Valid(int index) {
    return index >= 0 && index < kColorCount && index != 25;
}

}  // namespace

Brush* SystemColorBrush(int index) {
    static std::array<Brush*, kColorCount> brushes{};
    if (!Valid(index)) return nullptr;
    if (!brushes[index]) {
        brushes[index] = static_cast<Brush*>(InsertStockObject(
            std::make_unique<Brush>(LOGBRUSH{BS_SOLID, kStandardScheme[index], 0})));
    }
    return brushes[index];
}

Brush* BrushArgument(HBRUSH hbr) {
    uintptr_t value = reinterpret_cast<uintptr_t>(hbr);
    if (value >= 1 && value <= kColorCount) {
        if (Brush* brush = SystemColorBrush(static_cast<int>(value) - 1)) return brush;
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return LookupObjectAs<Brush>(hbr, OBJ_BRUSH);
}

}  // namespace kmxwin::gdi

extern "C" {

DWORD WINAPI GetSysColor(int nIndex) {
    return kmxwin::gdi::Valid(nIndex) ? kmxwin::gdi::kStandardScheme[nIndex] : 0;
}

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    auto lock = kmxwin::gdi::LockGdi();
    kmxwin::gdi::Brush* brush = kmxwin::gdi::SystemColorBrush(nIndex);
    return brush ? static_cast<HBRUSH>(brush->handle) : nullptr;
}

}  // extern "C"
