// A transform plug-in that answers the greeting with something else than its
// acceptance, and would black out every frame if it were kept.
#include <kmx512u/kmxtransform.h>

#include <cstring>

#define REFUSING_EXPORT extern "C" __attribute__((visibility("default")))

REFUSING_EXPORT uint32_t Initialise(const char*) {
    return 0x5A455054;
}

REFUSING_EXPORT uint32_t Transform(const KMXTransformFormat*, uint32_t size, uint8_t* frame) {
    std::memset(frame, 0, size);
    return 0;
}

REFUSING_EXPORT void Terminate() {}
