#include "windowing/display.h"

#include <stdlib.h>
#include <string.h>

#include <memory>

namespace kmxwin::win {
namespace {

std::unique_ptr<Display> Choose() {
    const char* forced = getenv("KMX512_DISPLAY");
    if (forced && strcmp(forced, "headless") == 0) return MakeHeadlessDisplay();
    if ((forced && strcmp(forced, "x11") == 0) || getenv("DISPLAY")) {
        if (std::unique_ptr<Display> x11 = MakeX11Display()) return x11;
    }
    return MakeHeadlessDisplay();
}

}  // namespace

Display& TheDisplay() {
    // Never destroyed: windows of other threads may still be shown while
    // the process exits.
    static Display* display = Choose().release();
    return *display;
}

}  // namespace kmxwin::win
