#include "camera_activity.h"

#include <cstdio>

namespace kmxcam {
namespace {

// A long-running service keeps the recent past only.
constexpr size_t kKeptEntries = 1000;

std::string FormatText(const FormatRecord& format) {
    char fourcc[5] = {};
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>(format.compression >> (8 * i));
        fourcc[i] = c >= ' ' && c <= '~' ? c : '?';
    }
    char text[64];
    snprintf(text, sizeof text, "%ux%u %s %u", unsigned(format.width), unsigned(format.height),
             format.compression ? fourcc : "RGB", unsigned(format.bits_per_pixel));
    return text;
}

}  // namespace

void CameraActivity::Note(DWORD code, const FormatRecord& format, uint32_t word) {
    std::string entry;
    switch (code) {
        case kStreamOpenCode:
            entry = "stream-open " + FormatText(format);
            break;
        case kStreamCloseCode:
            entry = "stream-close";
            break;
        case kSetModeCode:
            entry = "mode " + std::to_string(word);
            break;
        case kSetFormatCode:
            entry = "format " + FormatText(format);
            break;
        default:
            return;
    }
    std::lock_guard guard(lock_);
    entries_.push_back(std::move(entry));
    if (entries_.size() > kKeptEntries) entries_.pop_front();
}

std::vector<std::string> CameraActivity::Entries() {
    std::lock_guard guard(lock_);
    return {entries_.begin(), entries_.end()};
}

}  // namespace kmxcam
