// Encodes synthesized frames as the camera's "MJPG" frames: baseline JPEG,
// YCbCr 4:2:2 as webcams send it, optionally without Huffman tables (DHT
// segments), as many webcams leave them out and rely on the standard ones.
#pragma once

#include "frame_synthesis.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kmxcam {

class MjpegEncoder {
  public:
    explicit MjpegEncoder(int quality = 80);
    ~MjpegEncoder();
    MjpegEncoder(const MjpegEncoder&) = delete;
    MjpegEncoder& operator=(const MjpegEncoder&) = delete;

    // Replaces OUT with the JPEG image of FRAME; false if libjpeg failed.
    bool Encode(const YuvFrame& frame, bool huffman_tables, std::vector<uint8_t>& out);

  private:
    struct State;
    std::unique_ptr<State> state_;
    int quality_;
};

}  // namespace kmxcam
