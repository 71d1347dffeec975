#include "processing/client_formats.h"

namespace kmx {

int DeriveFormat(const FormatDescriptor& native, int kind, FormatDescriptor* derived) {
    const FormatRecord& format = native.format;
    if (format.compression != kFourccMjpg) return 0;
    static constexpr struct {
        DWORD compression;
        BYTE bits;
        bool needs_24_bits;
    } kKinds[kDerivedFormatCount] = {{kFourccRgb, 24, true},
                                     {kFourccRgb, 16, true},
                                     {kFourccUyvy, 16, false},
                                     {kFourccYuy2, 16, false}};
    if (kind < 0 || kind >= kDerivedFormatCount) return 0;
    if (kKinds[kind].needs_24_bits && format.bits_per_pixel != 24) return 0;
    *derived = native;
    derived->format.compression = kKinds[kind].compression;
    derived->format.bits_per_pixel = kKinds[kind].bits;
    derived->format.image_size = DWORD(format.width) * format.height * kKinds[kind].bits / 8;
    return 1;
}

int CameraFormatFor(const FormatRecord& client, FormatRecord* camera) {
    bool rgb = client.compression == kFourccRgb &&
               (client.bits_per_pixel == 16 || client.bits_per_pixel == 24);
    if (!rgb && client.compression != kFourccUyvy && client.compression != kFourccYuy2) return 0;
    *camera = client;
    camera->bits_per_pixel = 24;
    camera->compression = kFourccMjpg;
    DWORD pixels = (DWORD(client.width) * client.height) & 0x7FFFFFFF;
    camera->image_size = 2 * pixels + 608;
    return 1;
}

}  // namespace kmx
