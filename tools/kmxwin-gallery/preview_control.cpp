#include "preview_control.h"

#include <algorithm>

namespace {

constexpr char kPreviewClass[] = "KmxGalleryPreview";

struct Preview {
    int zoom = 0;
    POINT centre{50, 50};  // percent of the field
};

Preview& StateOf(HWND hwnd) {
    return *reinterpret_cast<Preview*>(GetWindowLongPtrA(hwnd, 0));
}

RECT ViewWindow(HWND hwnd, const Preview& preview) {
    RECT field;
    GetClientRect(hwnd, &field);
    InflateRect(&field, -4, -4);
    int width = (field.right - field.left) / (preview.zoom + 1);
    int height = (field.bottom - field.top) / (preview.zoom + 1);
    int x = field.left + (field.right - field.left) * preview.centre.x / 100 - width / 2;
    int y = field.top + (field.bottom - field.top) * preview.centre.y / 100 - height / 2;
    x = std::clamp(x, static_cast<int>(field.left), static_cast<int>(field.right) - width);
    y = std::clamp(y, static_cast<int>(field.top), static_cast<int>(field.bottom) - height);
    return {x, y, x + width, y + height};
}

void Paint(HWND hwnd, HDC dc) {
    const Preview& preview = StateOf(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    RECT edge = client;
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);

    RECT view = ViewWindow(hwnd, preview);
    HBRUSH fill = CreateSolidBrush(RGB(160, 200, 240));
    FillRect(dc, &view, fill);
    DeleteObject(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 128));
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, view.left, view.top, view.right, view.bottom);
    int cx = (view.left + view.right) / 2, cy = (view.top + view.bottom) / 2;
    MoveToEx(dc, cx - 5, cy, nullptr);
    LineTo(dc, cx + 6, cy);
    MoveToEx(dc, cx, cy - 5, nullptr);
    LineTo(dc, cx, cy + 6);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
    if (GetFocus() == hwnd) {
        RECT focus = client;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(dc, &focus);
    }
}

void MoveCentre(HWND hwnd, int dx, int dy) {
    Preview& preview = StateOf(hwnd);
    preview.centre.x = std::clamp(static_cast<int>(preview.centre.x) + dx, 0, 100);
    preview.centre.y = std::clamp(static_cast<int>(preview.centre.y) + dy, 0, 100);
    InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new Preview));
            break;
        case WM_NCDESTROY:
            delete &StateOf(hwnd);
            SetWindowLongPtrA(hwnd, 0, 0);
            break;
        case PREVIEW_SETZOOM:
            StateOf(hwnd).zoom = std::max(0, static_cast<int>(wparam));
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (wparam == VK_LEFT) MoveCentre(hwnd, -5, 0);
            if (wparam == VK_RIGHT) MoveCentre(hwnd, 5, 0);
            if (wparam == VK_UP) MoveCentre(hwnd, 0, -5);
            if (wparam == VK_DOWN) MoveCentre(hwnd, 0, 5);
            return 0;
        case WM_LBUTTONDOWN: {
            SetFocus(hwnd);
            RECT client;
            GetClientRect(hwnd, &client);
            Preview& preview = StateOf(hwnd);
            int width = std::max(1, static_cast<int>(client.right));
            int height = std::max(1, static_cast<int>(client.bottom));
            preview.centre = {static_cast<short>(LOWORD(lparam)) * 100 / width,
                              static_cast<short>(HIWORD(lparam)) * 100 / height};
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (dc) Paint(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

bool RegisterPreviewClass(HINSTANCE instance) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = Procedure;
    window_class.cbWndExtra = sizeof(Preview*);
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    window_class.lpszClassName = kPreviewClass;
    return RegisterClassA(&window_class) != 0;
}
