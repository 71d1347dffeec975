// The snapshot extension: a window as a PNG file, and input injected where
// the display's input enters.
#include <kmxwin/window_snapshot.h>

#include "windowing/display.h"
#include "windowing/input_injection.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"
#include "windowing/window_surface.h"

#include <cairo.h>

namespace kmxwin::win {
namespace {

// On the window's thread: paints what is pending and writes the picture.
BOOL WriteSnapshot(HWND hwnd, const char* path) {
    HWND top_handle;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return FALSE;
        top_handle = TopLevelOf(*window).handle;
    }
    UpdateWindow(top_handle);
    cairo_surface_t* picture;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return FALSE;
        Window& top = TopLevelOf(*window);
        if (!top.surface) return FALSE;
        RECT top_rect = ScreenWindowRect(top);
        RECT rect = OffsetRectBy(ScreenWindowRect(*window), -top_rect.left, -top_rect.top);
        int width = std::max<int>(1, rect.right - rect.left);
        int height = std::max<int>(1, rect.bottom - rect.top);
        picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        cairo_t* cr = cairo_create(picture);
        cairo_set_source_surface(cr, top.surface->surface, -rect.left, -rect.top);
        cairo_paint(cr);
        cairo_destroy(cr);
    }
    cairo_status_t status = cairo_surface_write_to_png(picture, path);
    cairo_surface_destroy(picture);
    if (status != CAIRO_STATUS_SUCCESS) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}

}  // namespace
}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

BOOL WINAPI KmxWinSnapshotWindow(HWND hwnd, const char* png_path) {
    if (!png_path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    BOOL written = static_cast<BOOL>(RunOnWindowThread(hwnd, [&] {
        BOOL result = WriteSnapshot(hwnd, png_path);
        if (!result) error = GetLastError();
        return static_cast<LRESULT>(result);
    }));
    if (!written) SetLastError(error ? error : ERROR_INVALID_WINDOW_HANDLE);
    return written;
}

void WINAPI KmxWinInjectMouse(DWORD flags, int x, int y) {
    InjectMouse(flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {x, y}, 0, InputSource::Program);
}

void WINAPI KmxWinInjectKey(WORD vk, BOOL up) {
    InjectKey(vk, up != FALSE, false);
}

const char* WINAPI KmxWinDisplayName(void) {
    return TheDisplay().Name();
}

}  // extern "C"
