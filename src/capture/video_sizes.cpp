#include "capture/video_sizes.h"

#include <algorithm>
#include <cstdio>

#include "processing/client_formats.h"

namespace kmx {
namespace {

constexpr NamedSize kNamedSizes[] = {
    {"4CIF", 701, 576}, {"VGA", 640, 480},  {"CIF", 352, 288},  {"QVGA (SIF)", 320, 240},
    {"QCIF", 176, 144}, {"QSIF", 160, 120}, {"SQCIF", 128, 96},
};

constexpr DWORD kMjpgOverhead = 608;
constexpr DWORD kKmxxOverhead = 1024;

DWORD SizeValue(DWORD width, DWORD height) {
    return height * 65536 + width;
}

bool Offers(const FormatDescriptor& mode, DWORD width, DWORD height) {
    return width >= mode.min_width && width <= mode.max_width &&
           OnStep(width - mode.min_width, mode.width_step) && height >= mode.min_height &&
           height <= mode.max_height && OnStep(height - mode.min_height, mode.height_step);
}

}  // namespace

DWORD ImageSizeOf(const FormatRecord& format) {
    DWORD width = format.width, height = format.height;
    if (format.compression == kFourccMjpg) return 2 * width * height + kMjpgOverhead;
    DWORD size = width * format.bits_per_pixel * height / 8;
    return format.compression == kFourccKmxx ? size + kKmxxOverhead : size;
}

BITMAPINFOHEADER BitmapHeaderOf(const FormatRecord& format) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = format.width;
    header.biHeight = format.height;
    header.biPlanes = 1;
    header.biBitCount = format.bits_per_pixel;
    header.biCompression = format.compression;
    header.biSizeImage = format.image_size;
    return header;
}

std::span<const NamedSize> NamedSizes() {
    return kNamedSizes;
}

SizeChoices ListSizeChoices(const FormatDescriptor& mode, WORD width, WORD height) {
    SizeChoices choices;
    bool maximum_named =
        std::any_of(std::begin(kNamedSizes), std::end(kNamedSizes), [&](const NamedSize& size) {
            return size.width == mode.max_width && size.height == mode.max_height;
        });
    if (!maximum_named) {
        char text[32];
        snprintf(text, sizeof text, "%d X %d", mode.max_width, mode.max_height);
        choices.entries.push_back({text, SizeValue(mode.max_width, mode.max_height)});
    }
    for (const NamedSize& size : kNamedSizes)
        if (Offers(mode, size.width, size.height))
            choices.entries.push_back({size.name, SizeValue(size.width, size.height)});
    for (size_t i = 0; i < choices.entries.size(); ++i)
        if (choices.entries[i].value == SizeValue(width, height)) {
            choices.selected = static_cast<int>(i);
            break;
        }
    return choices;
}

}  // namespace kmx
