#include "camera_counters.h"

#include <strings.h>

#include "camera_choice.h"
#include "control.h"

#include <sstream>

namespace kmxcap {
namespace {

// The lines a control command answers, or nothing when it fails.
std::vector<std::string> Ask(const std::vector<std::string>& words) {
    std::ostringstream out, ignored;
    if (kmxcam::RunControlCommand(words, out, ignored) != 0) return {};
    std::istringstream in(out.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

std::optional<uint64_t> FramesProduced(DWORD id) {
    std::string path = CameraPath(id);
    if (path.empty()) return std::nullopt;
    // "SERIAL PROFILE PATH" a camera; paths compare as Windows compares them.
    for (const std::string& line : Ask({"list"})) {
        size_t last = line.rfind(' ');
        if (last == std::string::npos || strcasecmp(line.c_str() + last + 1, path.c_str()) != 0)
            continue;
        std::string serial = line.substr(0, line.find(' '));
        for (const std::string& counter : Ask({"frames", serial}))
            if (counter.rfind("produced ", 0) == 0) return std::stoull(counter.substr(9));
    }
    return std::nullopt;
}

}  // namespace kmxcap
