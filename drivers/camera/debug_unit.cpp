#include "debug_unit.h"

#include <algorithm>
#include <cstring>

namespace kmxcam {

namespace {

constexpr const char* kBlockNames[] = {"General", "Stream", "USB"};
constexpr const char* kFlagNames[][3] = {
    {"Trace", "Warnings", "Errors"},
    {"Frames", "Timing", "Dropped"},
    {"Requests", "Transfers", nullptr},
};
// The block after the driver's own belongs to a part of the driver that has
// been released; every flag command on it says so.
constexpr uint32_t kReleasedBlock = 3;
constexpr uint8_t kInterfaceAlternates = 4;

// Copies TEXT zero-terminated into DATA, cut to fit.
void PutText(std::span<uint8_t> data, const char* text) {
    if (data.empty()) return;
    size_t length = std::min(std::strlen(text), data.size() - 1);
    std::memcpy(data.data(), text, length);
    std::fill(data.begin() + static_cast<ptrdiff_t>(length), data.end(), 0);
}

template <class Record>
uint8_t PutRecord(std::span<uint8_t> data, const Record& record) {
    if (data.size() != sizeof record)
        return data.size() < sizeof record ? kBufferTooSmall : kBufferTooLarge;
    std::memcpy(data.data(), &record, sizeof record);
    return kSuccess;
}

}  // namespace

std::vector<uint32_t>* DebugUnit::Block(uint32_t block, uint8_t& status) {
    if (block < flags_.size()) return &flags_[block];
    status = block == kReleasedBlock ? kReleaseDriver : kUnknownFlagBlock;
    return nullptr;
}

uint8_t DebugUnit::Registers(bool write, uint32_t address, std::span<uint8_t> data) {
    if (address > registers_.size() || data.size() > registers_.size() - address)
        return kBadParameter;
    if (write)
        std::copy(data.begin(), data.end(), registers_.begin() + address);
    else
        std::copy_n(registers_.begin() + address, data.size(), data.begin());
    return kSuccess;
}

uint8_t DebugUnit::Handle(DWORD code, uint32_t (&words)[3], std::span<uint8_t> data,
                          const PropertyStore& properties, uint32_t registered_removals) {
    uint8_t status = kSuccess;
    switch (code) {
        case kDebugVersionCode:
            words[0] = 0;
            words[1] = kDriverInterfaceVersion;
            return kSuccess;
        case kDebugFlagBlockNameCode: {
            if (!Block(words[0], status)) return status;
            PutText(data, kBlockNames[words[0]]);
            return kSuccess;
        }
        case kDebugFlagNameCode:
        case kDebugFlagInfoCode:
        case kDebugSetFlagInfoCode: {
            std::vector<uint32_t>* flags = Block(words[0], status);
            if (!flags) return status;
            if (words[1] >= flags->size()) return kUnknownFlag;
            if (code == kDebugFlagNameCode)
                PutText(data, kFlagNames[words[0]][words[1]]);
            else if (code == kDebugFlagInfoCode)
                words[2] = (*flags)[words[1]];
            else
                (*flags)[words[1]] = words[2];
            return kSuccess;
        }
        case kDebugUsbSetInterfaceCode: {
            uint8_t interface = static_cast<uint8_t>(words[0]),
                    alternate = static_cast<uint8_t>(words[0] >> 8);
            if (interface != 0 || alternate >= kInterfaceAlternates) return kBadParameter;
            alternate_setting_ = alternate;
            return kSuccess;
        }
        case kDebugCommandCode: {
            // The byte parameter is the request (DriverDebugRequest); the
            // 16-bit data length may not exceed the data sent. The camera
            // answers the mode request itself.
            uint8_t request = static_cast<uint8_t>(words[1]);
            uint32_t address = words[1] >> 16, length = words[2] & 0xFFFF;
            if (length > data.size()) return kBadParameter;
            if (request == kCameraIdentityRequest)
                return PutRecord(data.first(length),
                                 std::array<uint32_t, 2>{profile_.identity1, profile_.identity2});
            if (request > kRegisterWriteRequest) return kBadParameter;
            return Registers(request == kRegisterWriteRequest, address, data.first(length));
        }
        case kDebugUsbTransferCode: {
            // Byte parameter: the endpoint, bit 7 set for a transfer in; the
            // word parameter is the register address it reaches.
            bool in = words[0] & 0x80;
            if (words[1] > data.size()) return kBadParameter;
            return Registers(!in, words[2], data.first(words[1]));
        }
        case kDebugDeviceIdCode:
            words[0] = profile_.device_id1;
            words[1] = profile_.device_id2;
            return kSuccess;
        case kDebugPropertyDescriptorCode:
        case kDebugPropertyInformationCode: {
            const auto& entries = properties.Entries();
            if (words[0] >= entries.size()) return kBadParameter;
            const PropertyStore::Entry& entry = entries[words[0]];
            if (code == kDebugPropertyInformationCode) {
                if (data.size() < entry.value.size()) return kBufferTooSmall;
                std::fill(std::copy(entry.value.begin(), entry.value.end(), data.begin()),
                          data.end(), 0);
                return kSuccess;
            }
            PropertyDescriptor descriptor{};
            descriptor.set = entry.definition->set;
            descriptor.id = entry.definition->id;
            descriptor.size = entry.definition->size;
            descriptor.access = static_cast<uint32_t>(entry.definition->access);
            if (auto limits = properties.Limits(entry, 0)) {
                descriptor.limited = 1;
                descriptor.minimum = static_cast<int32_t>(limits->first);
                descriptor.maximum = static_cast<int32_t>(limits->second);
            }
            descriptor.default_value =
                static_cast<int32_t>(ValueWord(properties.DefaultValue(entry), 0));
            snprintf(descriptor.name, sizeof descriptor.name, "%s %u",
                     entry.definition->set_name.c_str(),
                     static_cast<unsigned>(entry.definition->id));
            return PutRecord(data, descriptor);
        }
        case kDebugNotificationDescriptorCode: {
            if (words[0] != 0) return kBadParameter;
            NotificationDescriptor descriptor{sets::kNotification, 0, registered_removals,
                                              "Removal"};
            return PutRecord(data, descriptor);
        }
        default:
            return kBadParameter;
    }
}

}  // namespace kmxcam
