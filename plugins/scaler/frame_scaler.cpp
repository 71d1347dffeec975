#include "frame_scaler.h"

#include <kmx512u/kmxscale.h>

#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/scale_argb.h>

namespace kmxscale {

namespace {

// The filter numbers are libyuv's own, so they pass straight through.
static_assert(KMXSCALE_FILTER_NEAREST == int(libyuv::kFilterNone) &&
              KMXSCALE_FILTER_LINEAR == int(libyuv::kFilterLinear) &&
              KMXSCALE_FILTER_BILINEAR == int(libyuv::kFilterBilinear) &&
              KMXSCALE_FILTER_BOX == int(libyuv::kFilterBox));

uint64_t ImageBytes(int width, int height) {
    return uint64_t(width) * uint64_t(height) * 3;
}

}  // namespace

FrameScaler::FrameScaler(int source_width, int source_height, int destination_width,
                         int destination_height)
    : source_width_(source_width),
      source_height_(source_height),
      destination_width_(destination_width),
      destination_height_(destination_height),
      filter_(KMXSCALE_FILTER_BILINEAR),
      source_argb_(size_t(source_width) * size_t(source_height) * 4),
      destination_argb_(size_t(destination_width) * size_t(destination_height) * 4) {}

uint32_t FrameScaler::Process(const uint8_t* source, uint32_t source_size, uint8_t* destination,
                              uint32_t destination_size) {
    if (source_size != ImageBytes(source_width_, source_height_) ||
        destination_size != ImageBytes(destination_width_, destination_height_))
        return KMXSCALE_ERROR_SIZE;
    std::lock_guard<std::mutex> lock(mutex_);
    // Both images are bottom-up; scaling does not care which way up rows
    // run as long as both run the same way.
    libyuv::RGB24ToARGB(source, source_width_ * 3, source_argb_.data(), source_width_ * 4,
                        source_width_, source_height_);
    libyuv::ARGBScale(source_argb_.data(), source_width_ * 4, source_width_, source_height_,
                      destination_argb_.data(), destination_width_ * 4, destination_width_,
                      destination_height_, static_cast<libyuv::FilterMode>(filter_));
    libyuv::ARGBToRGB24(destination_argb_.data(), destination_width_ * 4, destination,
                        destination_width_ * 3, destination_width_, destination_height_);
    return KMXSCALE_OK;
}

uint32_t FrameScaler::SetFilter(uint32_t filter) {
    if (filter > KMXSCALE_FILTER_BOX) return KMXSCALE_ERROR_PARAMETER;
    std::lock_guard<std::mutex> lock(mutex_);
    filter_ = filter;
    return KMXSCALE_OK;
}

uint32_t FrameScaler::Filter() {
    std::lock_guard<std::mutex> lock(mutex_);
    return filter_;
}

}  // namespace kmxscale
