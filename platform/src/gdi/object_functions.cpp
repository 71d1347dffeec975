// Creating, selecting, querying and deleting drawing objects.
#include "gdi/device_context.h"
#include "gdi/drawing_objects.h"
#include "gdi/font.h"
#include "gdi/stock_objects.h"
#include "text/ansi_code_page.h"

#include <algorithm>
#include <cstring>

using namespace kmxwin::gdi;

namespace {

// Whether BITMAP is selected into a DC other than DC, now or in a saved state.
bool SelectedElsewhere(const Bitmap& bitmap, const Dc& dc) {
    if (bitmap.stock || !bitmap.selected_in || bitmap.selected_in == &dc) return false;
    const Dc& other = *bitmap.selected_in;
    if (other.state.bitmap.get() == &bitmap) return true;
    for (const DcState& state : other.saved)
        if (state.bitmap.get() == &bitmap) return true;
    return false;
}

HGDIOBJ Swap(ObjectRef& slot, GdiObject* object) {
    HGDIOBJ previous = slot.handle();
    slot = ObjectRef(object);
    return previous;
}

int CopyOut(const void* record, int size, int c, LPVOID pv) {
    if (!pv) return size;
    if (c <= 0) return 0;
    int copied = std::min(c, size);
    std::memcpy(pv, record, copied);
    return copied;
}

int GetBitmapObject(const Bitmap& bitmap, int c, LPVOID pv) {
    DIBSECTION section{};
    BITMAP& info = section.dsBm;
    info.bmWidth = bitmap.Width();
    info.bmHeight = bitmap.Height();
    info.bmPlanes = 1;
    info.bmBitsPixel = bitmap.bits_pixel;
    if (bitmap.dib_bits) {
        info.bmWidthBytes = static_cast<LONG>(bitmap.dib_stride);
        info.bmBits = bitmap.dib_bits;
        if (c >= static_cast<int>(sizeof(DIBSECTION))) {
            section.dsBmih = bitmap.dib;
            return CopyOut(&section, sizeof section, c, pv);
        }
    } else {
        info.bmWidthBytes = ((info.bmWidth * info.bmBitsPixel + 15) / 16) * 2;
    }
    return CopyOut(&info, sizeof info, c, pv);
}

int GetObjectOf(HANDLE h, int c, LPVOID pv, bool wide) {
    auto lock = LockGdi();
    GdiObject* object = LookupObject(h);
    if (!object) return 0;
    switch (object->type) {
        case OBJ_PEN:
            return CopyOut(&static_cast<Pen*>(object)->log, sizeof(LOGPEN), c, pv);
        case OBJ_BRUSH:
            return CopyOut(&static_cast<Brush*>(object)->log, sizeof(LOGBRUSH), c, pv);
        case OBJ_BITMAP:
            return GetBitmapObject(*static_cast<Bitmap*>(object), c, pv);
        case OBJ_FONT: {
            const LOGFONTW& font = static_cast<Font*>(object)->log;
            if (wide) return CopyOut(&font, sizeof font, c, pv);
            LOGFONTA narrow;
            std::memcpy(&narrow, &font, offsetof(LOGFONTA, lfFaceName));
            std::u16string_view face(font.lfFaceName);
            std::string ansi = kmxwin::text::Utf16ToAnsi(face.substr(0, LF_FACESIZE - 1));
            std::memset(narrow.lfFaceName, 0, sizeof narrow.lfFaceName);
            std::memcpy(narrow.lfFaceName, ansi.data(), ansi.size());
            return CopyOut(&narrow, sizeof narrow, c, pv);
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
    }
}

}  // namespace

extern "C" {

HGDIOBJ WINAPI GetStockObject(int i) {
    auto lock = LockGdi();
    GdiObject* object = StockObject(i);
    return object ? object->handle : nullptr;
}

HPEN WINAPI CreatePenIndirect(const LOGPEN* plpen) {
    if (!plpen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGPEN pen = *plpen;
    UINT style = pen.lopnStyle & PS_STYLE_MASK;
    if (style > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    pen.lopnWidth.x = std::abs(pen.lopnWidth.x);
    pen.lopnWidth.y = 0;
    // Dashes exist for one-pixel pens only; wider ones are solid.
    if (pen.lopnWidth.x > 1 && style >= PS_DASH && style <= PS_DASHDOTDOT) pen.lopnStyle = PS_SOLID;
    auto lock = LockGdi();
    return static_cast<HPEN>(InsertObject(std::make_unique<Pen>(pen)));
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    LOGPEN pen = {static_cast<UINT>(iStyle), {cWidth, 0}, color};
    return CreatePenIndirect(&pen);
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush) {
    if (!plbrush || (plbrush->lbStyle != BS_SOLID && plbrush->lbStyle != BS_NULL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto lock = LockGdi();
    return static_cast<HBRUSH>(InsertObject(std::make_unique<Brush>(*plbrush)));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    LOGBRUSH brush = {BS_SOLID, color & 0xFFFFFF, 0};
    return CreateBrushIndirect(&brush);
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return nullptr;
    GdiObject* object = LookupObject(h);
    if (!object) return nullptr;
    switch (object->type) {
        case OBJ_PEN:
            return Swap(dc->state.pen, object);
        case OBJ_BRUSH:
            return Swap(dc->state.brush, object);
        case OBJ_FONT:
            return Swap(dc->state.font, object);
        case OBJ_REGION: {
            int kind = SelectClipRgn(hdc, static_cast<HRGN>(h));
            return kind == ERROR ? HGDI_ERROR
                                 : reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(kind));
        }
        case OBJ_BITMAP: {
            auto* bitmap = static_cast<Bitmap*>(object);
            if (!dc->IsMemoryDc() || SelectedElsewhere(*bitmap, *dc)) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            bitmap->selected_in = dc;
            return Swap(dc->state.bitmap, object);
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return nullptr;
    switch (type) {
        case OBJ_PEN:
            return dc->state.pen.handle();
        case OBJ_BRUSH:
            return dc->state.brush.handle();
        case OBJ_FONT:
            return dc->state.font.handle();
        case OBJ_BITMAP:
            return dc->state.bitmap.handle();
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    auto lock = LockGdi();
    GdiObject* object = LookupObject(ho);
    if (!object) return FALSE;
    if (object->type == OBJ_DC || object->type == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DeleteGdiObject(object);
    return TRUE;
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
    auto lock = LockGdi();
    GdiObject* object = LookupObject(h);
    return object ? object->type : 0;
}

int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
    return GetObjectOf(h, c, pv, false);
}

int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv) {
    return GetObjectOf(h, c, pv, true);
}

}  // extern "C"
