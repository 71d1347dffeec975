// Decoding the camera's MJPG frames with libjpeg, as a client would. Kept
// apart from the Windows headers, whose integer types clash with libjpeg's.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace kmxcamtest {

// The decoded size and mean luma of a JPEG image; nullopt if it is not one.
struct DecodedJpeg {
    int width, height;
    double mean_luma;
};
std::optional<DecodedJpeg> DecodeJpeg(const std::vector<uint8_t>& data);

}  // namespace kmxcamtest
