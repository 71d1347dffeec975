// How many frames a camera made, as its camera service counts them: asked
// through the service's control socket, for the summary's count of frames
// the camera made that no buffer received.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace kmxcap {

// The frames the camera listed under ID has made, or nullopt when its
// service does not tell.
std::optional<uint64_t> FramesProduced(DWORD id);

}  // namespace kmxcap
