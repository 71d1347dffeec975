// The plug-in's exports and its handle table. Handles are small numbers
// rather than addresses, so that a stale or foreign handle is refused
// instead of followed. A scaler is shared between the table and a frame in
// progress, so that closing it on one thread while another scales through
// it cannot free it under that frame.
#include "frame_scaler.h"

#include <kmx512u/kmxscale.h>

#include <map>
#include <memory>
#include <mutex>

#define KMXSCALE_EXPORT extern "C" __attribute__((visibility("default")))

namespace kmxscale {

namespace {

class HandleTable {
  public:
    KMXSCALE_HANDLE Add(std::shared_ptr<FrameScaler> scaler) {
        std::lock_guard<std::mutex> lock(mutex_);
        do {
            ++last_;
        } while (last_ == 0 || scalers_.count(last_));
        scalers_.emplace(last_, std::move(scaler));
        return last_;
    }

    std::shared_ptr<FrameScaler> Find(KMXSCALE_HANDLE handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = scalers_.find(handle);
        return found == scalers_.end() ? nullptr : found->second;
    }

    bool Remove(KMXSCALE_HANDLE handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        return scalers_.erase(handle) == 1;
    }

  private:
    std::mutex mutex_;
    KMXSCALE_HANDLE last_ = 0;
    std::map<KMXSCALE_HANDLE, std::shared_ptr<FrameScaler>> scalers_;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

bool ValidSize(uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && width <= 65535 && height <= 65535;
}

// Runs CALL on the scaler that HANDLE names.
template <class Call>
uint32_t WithScaler(const KMXSCALE_HANDLE* handle, Call call) {
    if (!handle) return KMXSCALE_ERROR_ARGUMENT;
    std::shared_ptr<FrameScaler> scaler = Table().Find(*handle);
    if (!scaler) return KMXSCALE_ERROR_HANDLE;
    return call(*scaler);
}

}  // namespace

}  // namespace kmxscale

using namespace kmxscale;

KMXSCALE_EXPORT uint32_t KMXScaleHandleOpen(KMXSCALE_HANDLE* handle, uint32_t source_width,
                                            uint32_t source_height, uint32_t destination_width,
                                            uint32_t destination_height) {
    if (!handle) return KMXSCALE_ERROR_ARGUMENT;
    *handle = 0;
    if (!ValidSize(source_width, source_height) ||
        !ValidSize(destination_width, destination_height))
        return KMXSCALE_ERROR_SIZE;
    try {
        *handle = Table().Add(std::make_shared<FrameScaler>(int(source_width), int(source_height),
                                                            int(destination_width),
                                                            int(destination_height)));
        return KMXSCALE_OK;
    } catch (...) {  // no memory, in practice
        return KMXSCALE_ERROR_MEMORY;
    }
}

KMXSCALE_EXPORT uint32_t KMXScaleHandleClose(KMXSCALE_HANDLE* handle) {
    if (!handle) return KMXSCALE_ERROR_ARGUMENT;
    bool removed = Table().Remove(*handle);
    *handle = 0;
    return removed ? KMXSCALE_OK : KMXSCALE_ERROR_HANDLE;
}

KMXSCALE_EXPORT uint32_t KMXScaleProcess(KMXSCALE_HANDLE* handle, const uint8_t* source,
                                         uint32_t source_size, uint8_t* destination,
                                         uint32_t destination_size) {
    if (!source || !destination) return KMXSCALE_ERROR_ARGUMENT;
    return WithScaler(handle, [&](FrameScaler& scaler) {
        return scaler.Process(source, source_size, destination, destination_size);
    });
}

KMXSCALE_EXPORT uint32_t KMXScaleSetParam(KMXSCALE_HANDLE* handle, uint32_t parameter,
                                          uint32_t value) {
    return WithScaler(handle, [&](FrameScaler& scaler) {
        return parameter == KMXSCALE_PARAM_FILTER ? scaler.SetFilter(value)
                                                  : uint32_t(KMXSCALE_ERROR_PARAMETER);
    });
}

KMXSCALE_EXPORT uint32_t KMXScaleGetParam(KMXSCALE_HANDLE* handle, uint32_t parameter,
                                          uint32_t* value) {
    if (!value) return KMXSCALE_ERROR_ARGUMENT;
    return WithScaler(handle, [&](FrameScaler& scaler) {
        if (parameter != KMXSCALE_PARAM_FILTER) return uint32_t(KMXSCALE_ERROR_PARAMETER);
        *value = scaler.Filter();
        return uint32_t(KMXSCALE_OK);
    });
}
