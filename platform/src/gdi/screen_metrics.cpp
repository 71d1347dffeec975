#include "gdi/screen_metrics.h"

#include <atomic>

namespace kmxwin::gdi {
namespace {
std::atomic<int> g_screen_width{1024};
std::atomic<int> g_screen_height{768};
}  // namespace

SIZE ScreenSize() {
    return {g_screen_width.load(), g_screen_height.load()};
}

void SetScreenSize(SIZE size) {
    g_screen_width = size.cx;
    g_screen_height = size.cy;
}

}  // namespace kmxwin::gdi
