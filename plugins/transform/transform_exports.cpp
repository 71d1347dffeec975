// The transform plug-in's exports: every frame gets the local date and
// time stamped into its top left corner, which makes recordings easy to
// place in time and shows at a glance that frames keep coming.
#include "timestamp_overlay.h"

#include <kmx512u/kmxtransform.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#define KMXSTAMP_EXPORT extern "C" __attribute__((visibility("default")))

KMXSTAMP_EXPORT uint32_t Initialise(const char* greeting) {
    // Only the capture library that greets us properly gets an answer.
    if (!greeting || std::strcmp(greeting, KMXTRANSFORM_GREETING) != 0) return 0;
    return KMXTRANSFORM_ACCEPTED;
}

// 0 when the frame was stamped, 1 when its format is not one we draw into
// (the frame is then left as it is).
KMXSTAMP_EXPORT uint32_t Transform(const KMXTransformFormat* format, uint32_t size,
                                   uint8_t* frame) {
    if (!format || !frame || !kmxstamp::CanDraw(*format, size)) return 1;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    kmxstamp::DrawText(*format, frame, std::string_view(text, length));
    return 0;
}

KMXSTAMP_EXPORT void Terminate(void) {}
