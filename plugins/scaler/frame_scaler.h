// One scaler: a fixed source and destination size, a filter, and the
// working images it needs, sized once when it is made.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace kmxscale {

class FrameScaler {
  public:
    // Sizes are checked by the caller (1 to 65535).
    FrameScaler(int source_width, int source_height, int destination_width, int destination_height);

    // KMXSCALE_OK, or KMXSCALE_ERROR_SIZE when a buffer is not exactly its
    // image's size.
    uint32_t Process(const uint8_t* source, uint32_t source_size, uint8_t* destination,
                     uint32_t destination_size);

    uint32_t SetFilter(uint32_t filter);
    uint32_t Filter();

  private:
    int source_width_, source_height_, destination_width_, destination_height_;
    // Serialises a frame against a filter change on another thread.
    std::mutex mutex_;
    uint32_t filter_;
    // libyuv scales 32-bit pixels; RGB goes through ARGB on both sides.
    std::vector<uint8_t> source_argb_;
    std::vector<uint8_t> destination_argb_;
};

}  // namespace kmxscale
