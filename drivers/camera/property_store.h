// The values of one camera's properties, shared by every client of the
// camera: created from the profile's defaults, checked against its sizes,
// ranges, choices and access on every write. A zoom step resizes the
// window of a camera that pans and tilts, and moves its position with it.
#pragma once

#include "camera_profile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
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

    // The inclusive limits a write keeps for word WORD of ENTRY now, or
    // nullopt when that word takes anything.
    std::optional<std::pair<int64_t, int64_t>> Limits(const Entry& entry, size_t word) const;
    // The value a reset gives ENTRY now.
    std::vector<uint8_t> DefaultValue(const Entry& entry) const;

  private:
    // The entry of SET and ID, or nullptr with STATUS telling why not.
    template <class Self>
    static auto* Find(Self& self, const GUID& set, uint32_t id, uint8_t& status);
    Entry* CameraEntry(uint32_t id);
    bool IsWindowPosition(const Entry& entry) const;
    bool Accepts(const Entry& entry, std::span<const uint8_t> value) const;
    WindowSize Window() const;
    // Keeps the window geometry and position in step with a new zoom step.
    void FollowZoom(const Entry& changed);

    const CameraProfile& profile_;
    std::vector<Entry> entries_;
};

}  // namespace kmxcam
