// The camera's debug family: the driver's version words, its debug flags
// (blocks of named flags with values), USB requests on a simulated register
// space, the device id words, and descriptors of the camera's properties and
// notifications for service tools.
#pragma once

#include <kmxrecords/driver_debug_records.h>

#include "camera_profile.h"
#include "camera_records.h"
#include "property_store.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kmxcam {

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
