// The camera's debug family: the driver's version words, its debug flags
// (blocks of named flags with values), USB requests on a simulated register
// space, the device id words, and descriptors of the camera's properties and
// notifications for service tools.
#pragma once

#include "camera_profile.h"
#include "camera_records.h"
#include "property_store.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kmxcam {

// A property descriptor as the debug family hands it out, 68 bytes.
#pragma pack(push, 1)
struct PropertyDescriptor {
    GUID set;
    uint32_t id;
    uint32_t size;
    uint32_t access;  // 0 read-write, 1 read-only, 2 default only
    int32_t minimum;  // of the first value word; 0 and 0 when unlimited
    int32_t maximum;
    char name[32];  // the set's short name and the id, zero-terminated
};
struct NotificationDescriptor {
    GUID set;
    uint32_t id;
    uint32_t registered;  // events registered for it now
    char name[44];
};
#pragma pack(pop)
static_assert(sizeof(PropertyDescriptor) == 68 && offsetof(PropertyDescriptor, name) == 36);
static_assert(sizeof(NotificationDescriptor) == 68 && offsetof(NotificationDescriptor, name) == 24);

// Not locked: the camera guards it with its own lock.
class DebugUnit {
  public:
    explicit DebugUnit(const CameraProfile& profile) : profile_(profile) {}

    // Handles one debug command on its three words and its data; answers
    // the command status. REGISTERED_REMOVALS is the number of events
    // registered for the removal notification.
    uint8_t Handle(DWORD code, uint32_t (&words)[3], std::span<uint8_t> data,
                   const PropertyStore& properties, uint32_t registered_removals);

  private:
    // The flag array of a driver block, or nullptr with STATUS telling why.
    std::vector<uint32_t>* Block(uint32_t block, uint8_t& status);
    uint8_t Registers(bool write, uint32_t address, std::span<uint8_t> data);

    const CameraProfile& profile_;
    std::array<std::vector<uint32_t>, 3> flags_{std::vector<uint32_t>(3), std::vector<uint32_t>(3),
                                                std::vector<uint32_t>(2)};
    std::array<uint8_t, 4096> registers_{};
    uint8_t alternate_setting_ = 0;
};

}  // namespace kmxcam
