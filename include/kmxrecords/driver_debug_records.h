// What the camera driver service makes of the debug interface's raw
// requests and descriptors: the requests of the debug command and the
// 68-byte property and notification descriptors. Service tools and the
// driver build on this one definition; the library itself only carries
// these bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kmx {

// The byte parameter of the debug command (KMXDebug_Command).
enum DriverDebugRequest : uint8_t {
    kRegisterReadRequest = 0,    // the data length of registers from the 16-bit parameter
    kRegisterWriteRequest = 1,   // the data into the registers at the 16-bit parameter
    kModeDescriptorRequest = 2,  // the FormatDescriptor of the mode the 16-bit parameter names
    kCameraIdentityRequest = 3,  // the two identity words (8 bytes)
};

// Access of a described property.
enum DescribedAccess : uint32_t { kReadWrite = 0, kReadOnly = 1, kResetOnly = 2 };

#pragma pack(push, 1)
struct PropertyDescriptor {
    GUID set;
    uint32_t id;
    uint32_t size;
    uint32_t access;        // DescribedAccess
    uint32_t limited;       // 1 when a write must keep the first value word
    int32_t minimum;        // within minimum..maximum now; 0 and 0 when
    int32_t maximum;        // it takes anything
    int32_t default_value;  // the first value word of the default now
    char name[24];          // the set's short name and the id, zero-terminated
};
struct NotificationDescriptor {
    GUID set;
    uint32_t id;
    uint32_t registered;  // events registered for it now
    char name[44];
};
#pragma pack(pop)
static_assert(sizeof(PropertyDescriptor) == 68 && offsetof(PropertyDescriptor, size) == 20 &&
              offsetof(PropertyDescriptor, minimum) == 32 &&
              offsetof(PropertyDescriptor, default_value) == 40 &&
              offsetof(PropertyDescriptor, name) == 44);
static_assert(sizeof(NotificationDescriptor) == 68 && offsetof(NotificationDescriptor, name) == 24);

}  // namespace kmx
