// Frame sizes as the Video Format dialog offers them: the image size of a
// format, the named sizes, and the size choices of one camera mode.
#pragma once

#include <windows.h>

#include <kmxrecords/camera_commands.h>

#include <span>
#include <string>
#include <vector>

namespace kmx {

// The bytes of one frame of FORMAT as the Video Format dialog computes it
// for the format it returns: w × b × h / 8, plus 1024 for "KMXX"; 2 × w × h
// + 608 for "MJPG".
DWORD ImageSizeOf(const FormatRecord& format);

// FORMAT as the bitmap header a client or a codec reads.
BITMAPINFOHEADER BitmapHeaderOf(const FormatRecord& format);

struct NamedSize {
    const char* name;
    WORD width;
    WORD height;
};
// In the order the dialog lists them. "4CIF" is 701 pixels wide.
std::span<const NamedSize> NamedSizes();

struct SizeChoice {
    std::string text;  // a size's name, or "%d X %d"
    DWORD value;       // height × 65536 + width
};
struct SizeChoices {
    std::vector<SizeChoice> entries;
    int selected = -1;  // the entry of the current size; -1 for none
};

// The sizes MODE offers: its maximum size, unless that is a named size, then
// every named size within its range on its steps counted from its minimum
// size. The entry of WIDTH × HEIGHT is selected.
SizeChoices ListSizeChoices(const FormatDescriptor& mode, WORD width, WORD height);

// Whether VALUE lies on a grid of STEP from its origin: a step of 0 allows
// the origin only.
inline bool OnStep(DWORD value, DWORD step) {
    return step ? value % step == 0 : value == 0;
}

}  // namespace kmx
