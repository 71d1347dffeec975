// The headless display: windows live in memory only, on a standard 1024x768
// screen; input comes from SendInput and the snapshot extension.
#include "windowing/display.h"

#include <memory>

namespace kmxwin::win {
namespace {

class HeadlessDisplay : public Display {
  public:
    const char* Name() const override { return "headless"; }
    SIZE ScreenSize() const override { return {1024, 768}; }
    void WindowCreated(HWND, const RECT&) override {}
    void WindowDestroyed(HWND) override {}
    void WindowShown(HWND, bool) override {}
    void WindowMoved(HWND, const RECT&) override {}
    void Present(HWND, cairo_surface_t*, const RECT&) override {}
    void CursorMoved(POINT) override {}
    void CursorClipped(const RECT*) override {}
    void CursorShown(bool) override {}
    void Beep() override {}
};

}  // namespace

std::unique_ptr<Display> MakeHeadlessDisplay() {
    return std::make_unique<HeadlessDisplay>();
}

}  // namespace kmxwin::win
