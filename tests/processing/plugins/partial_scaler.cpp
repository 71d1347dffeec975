// A scaler plug-in that lacks KMXScaleGetParam. Its other exports answer a
// mix of their arguments, so that a test sees them passed on unchanged.
#include <kmx512u/kmxscale.h>

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

PARTIAL_EXPORT uint32_t KMXScaleHandleOpen(KMXSCALE_HANDLE* handle, uint32_t source_width,
                                           uint32_t source_height, uint32_t destination_width,
                                           uint32_t destination_height) {
    *handle = source_width * 1000 + source_height;
    return destination_width * 1000 + destination_height;
}

PARTIAL_EXPORT uint32_t KMXScaleHandleClose(KMXSCALE_HANDLE* handle) {
    uint32_t was = *handle;
    *handle = 0;
    return was;
}

PARTIAL_EXPORT uint32_t KMXScaleProcess(KMXSCALE_HANDLE*, const uint8_t* source,
                                        uint32_t source_size, uint8_t* destination,
                                        uint32_t destination_size) {
    destination[0] = source[0];
    return source_size + destination_size;
}

PARTIAL_EXPORT uint32_t KMXScaleSetParam(KMXSCALE_HANDLE*, uint32_t parameter, uint32_t value) {
    return parameter * 100 + value;
}
