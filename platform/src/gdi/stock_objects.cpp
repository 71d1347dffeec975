#include "gdi/stock_objects.h"

#include "gdi/drawing_objects.h"
#include "gdi/font.h"

#include <array>
#include <cstring>

namespace kmxwin::gdi {
namespace {

constexpr int kStockCount = DEFAULT_GUI_FONT + 1;

std::unique_ptr<GdiObject> SolidBrush(COLORREF color) {
    return std::make_unique<Brush>(LOGBRUSH{BS_SOLID, color, 0});
}

std::unique_ptr<GdiObject> StockPen(UINT style, COLORREF color) {
    return std::make_unique<Pen>(LOGPEN{style, {0, 0}, color});
}

std::unique_ptr<GdiObject> StockFont(LONG height, LONG weight, BYTE pitch_and_family,
                                     const char16_t* face) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = pitch_and_family;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) font.lfFaceName[i] = face[i];
    return std::make_unique<Font>(font);
}

// The stock fonts as Windows describes them at 96 DPI.
std::unique_ptr<GdiObject> MakeStock(int i) {
    switch (i) {
        case WHITE_BRUSH:
            return SolidBrush(RGB(255, 255, 255));
        case LTGRAY_BRUSH:
            return SolidBrush(RGB(192, 192, 192));
        case GRAY_BRUSH:
            return SolidBrush(RGB(128, 128, 128));
        case DKGRAY_BRUSH:
            return SolidBrush(RGB(64, 64, 64));
        case BLACK_BRUSH:
            return SolidBrush(RGB(0, 0, 0));
        case NULL_BRUSH:
            return std::make_unique<Brush>(LOGBRUSH{BS_NULL, 0, 0});
        case WHITE_PEN:
            return StockPen(PS_SOLID, RGB(255, 255, 255));
        case BLACK_PEN:
            return StockPen(PS_SOLID, RGB(0, 0, 0));
        case NULL_PEN:
            return StockPen(PS_NULL, RGB(0, 0, 0));
        case OEM_FIXED_FONT:
            return StockFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, u"Terminal");
        case ANSI_FIXED_FONT:
            return StockFont(13, FW_NORMAL, FIXED_PITCH | FF_MODERN, u"Courier");
        case ANSI_VAR_FONT:
            return StockFont(13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, u"MS Sans Serif");
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
            return StockFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, u"System");
        case SYSTEM_FIXED_FONT:
            return StockFont(15, FW_NORMAL, FIXED_PITCH | FF_MODERN, u"Fixedsys");
        case DEFAULT_GUI_FONT:
            return StockFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, u"MS Shell Dlg");
        default:
            return nullptr;
    }
}

}  // namespace

GdiObject* InsertStockObject(std::unique_ptr<GdiObject> object) {
    object->stock = true;
    GdiObject* raw = object.get();
    return InsertObject(std::move(object)) ? raw : nullptr;
}

GdiObject* StockObject(int i) {
    static std::array<GdiObject*, kStockCount> stock{};
    if (i < 0 || i >= kStockCount) return nullptr;
    if (!stock[i]) {
        std::unique_ptr<GdiObject> object = MakeStock(i);
        if (object) stock[i] = InsertStockObject(std::move(object));
    }
    return stock[i];
}

Bitmap* DefaultBitmap() {
    static Bitmap* bitmap = nullptr;
    if (!bitmap) {
        std::unique_ptr<Bitmap> made = NewBitmap(1, 1);
        if (!made) return nullptr;
        made->bits_pixel = 1;  // Windows' default bitmap is monochrome
        bitmap = static_cast<Bitmap*>(InsertStockObject(std::move(made)));
    }
    return bitmap;
}

}  // namespace kmxwin::gdi
