// The values of one camera's properties, shared by every client of the
// camera: created from the profile's defaults, checked against its sizes,
// ranges and access on every write.
#pragma once

#include "camera_profile.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kmxcam {

class PropertyStore {
  public:
    explicit PropertyStore(const CameraProfile& profile);

    // Each answers a command status. Get fills VALUE; Set keeps VALUE (and
    // leaves it as the reply); Reset restores the default.
    uint8_t Get(const GUID& set, uint32_t id, std::span<uint8_t> value) const;
    uint8_t Set(const GUID& set, uint32_t id, std::span<const uint8_t> value);
    uint8_t Reset(const GUID& set, uint32_t id);

    // The 32-bit word WORD of a value (a smaller value is read whole), or
    // FALLBACK when the camera has no such property.
    int64_t Word(const GUID& set, uint32_t id, size_t word, int64_t fallback) const;

    struct Entry {
        const PropertySpec* definition;
        std::vector<uint8_t> value;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

  private:
    // The entry of SET and ID, or nullptr with STATUS telling why not.
    template <class Self>
    static auto* Find(Self& self, const GUID& set, uint32_t id, uint8_t& status);

    const CameraProfile& profile_;
    std::vector<Entry> entries_;
};

}  // namespace kmxcam
