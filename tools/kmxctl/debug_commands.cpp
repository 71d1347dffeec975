// kmxctl debug: the kernel driver's version, debug flags, device id, raw
// USB requests and descriptors, through the debug interface.
#include <kmxrecords/driver_debug_records.h>
#include <kmx512u/kmxdebug.h>

#include "camera_access.h"
#include "failures.h"
#include "tool.h"

#include <cstring>
#include <map>
#include <string>

namespace kmxctl {
namespace {

// Bounds for walking the driver's flags, against a driver that never says
// "unknown".
constexpr DWORD kMostBlocks = 64, kMostFlags = 256;
constexpr DWORD kNameSize = 64;

DWORD Number(CommandLine& line, const std::string& what, uint64_t maximum = MAXDWORD) {
    return static_cast<DWORD>(ParseUnsigned(line.Next(what), what, maximum));
}

std::string Hex(DWORD value) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// The data a raw request sends: DATA given in hex, or --length N zero bytes
// for a request that reads.
std::vector<BYTE> RequestData(CommandLine& line, const std::optional<std::string>& length,
                              DWORD most) {
    std::optional<std::string> bytes = line.NextIfAny();
    if (length && bytes) throw UsageError("give either DATA or --length, not both");
    std::vector<BYTE> data =
        bytes ? ParseBytes(*bytes, "DATA")
              : std::vector<BYTE>(ParseUnsigned(length.value_or("0"), "--length", most));
    if (data.size() > most) throw UsageError("at most " + std::to_string(most) + " bytes of data");
    return data;
}

void PrintData(Output& output, const std::vector<BYTE>& data) {
    if (output.Json())
        output.Print(Json::Object().Add("data", HexBytes(data.data(), data.size())));
    else if (!data.empty())
        output.Text() << HexBytes(data.data(), data.size()) << '\n';
}

void Version(CommandLine& line, Output& output) {
    line.Finish();
    WORD version = 0;
    DWORD word = 0;
    char text[16];
    CheckDebug(KMXDebug_GetVersion(&version, &word, text, sizeof text), "driver version");
    if (output.Json()) {
        output.Print(Json::Object()
                         .Add("interface_version", static_cast<unsigned>(version))
                         .Add("word", word)
                         .Add("library_version", text));
        return;
    }
    char interface[8];
    snprintf(interface, sizeof interface, "0x%04X", version);
    output.Text() << "driver interface version " << interface << " (the library's)\n"
                  << "library version " << text << '\n';
}

std::string FlagName(DWORD block, DWORD flag) {
    char name[kNameSize];
    CheckDebug(KMXDebug_GetFlagName(block, flag, name, sizeof name),
               "name of flag " + std::to_string(flag) + " of block " + std::to_string(block));
    return name;
}

// Lists one block's flags with their values; false when the driver knows no
// such block.
bool ListBlock(DWORD block, Output& output, Json& blocks) {
    char name[kNameSize];
    DWORD status = KMXDebug_GetFlagBlockName(block, name, sizeof name);
    if (status == KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK) return false;
    Json entry = Json::Object().Add("block", block);
    if (status == KMXDEBUG_STATUS_RELEASE_DRIVER) {
        // A block the driver has released has no flags to show.
        entry.Add("released", true);
        if (!output.Json()) output.Text() << "block " << block << ": released\n";
        blocks.Push(entry);
        return true;
    }
    CheckDebug(status, "name of flag block " + std::to_string(block));
    entry.Add("name", name);
    if (!output.Json()) output.Text() << "block " << block << ": " << name << '\n';
    Json flags = Json::Array();
    for (DWORD flag = 0; flag < kMostFlags; ++flag) {
        DWORD value = 0;
        status = KMXDebug_GetFlagInfo(block, flag, &value);
        if (status == KMXDEBUG_STATUS_UNKNOWN_FLAG) break;
        CheckDebug(status, "flag " + std::to_string(flag) + " of block " + std::to_string(block));
        std::string flag_name = FlagName(block, flag);
        flags.Push(Json::Object().Add("flag", flag).Add("name", flag_name).Add("value", value));
        if (!output.Json())
            output.Text() << "  " << flag << "  " << flag_name << " = " << Hex(value) << '\n';
    }
    entry.Add("flags", flags);
    blocks.Push(entry);
    return true;
}

void Flags(CommandLine& line, Output& output) {
    std::optional<std::string> only = line.NextIfAny();
    line.Finish();
    Json blocks = Json::Array();
    if (only) {
        DWORD block = static_cast<DWORD>(ParseUnsigned(*only, "BLOCK", MAXDWORD));
        if (!ListBlock(block, output, blocks))
            CheckDebug(KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK, "flag block " + *only);
    } else {
        for (DWORD block = KMXDEBUG_FIRST_DRIVER_FLAG_BLOCK;
             block < KMXDEBUG_FIRST_DRIVER_FLAG_BLOCK + kMostBlocks &&
             ListBlock(block, output, blocks);
             ++block) {
        }
    }
    if (output.Json()) output.Print(blocks);
}

void FlagNameCommand(CommandLine& line, Output& output) {
    DWORD block = Number(line, "BLOCK"), flag = Number(line, "FLAG");
    line.Finish();
    std::string name = FlagName(block, flag);
    if (output.Json())
        output.Print(Json::Object().Add("block", block).Add("flag", flag).Add("name", name));
    else
        output.Text() << name << '\n';
}

void BlockName(CommandLine& line, Output& output) {
    DWORD block = Number(line, "BLOCK");
    line.Finish();
    char name[kNameSize];
    CheckDebug(KMXDebug_GetFlagBlockName(block, name, sizeof name),
               "name of flag block " + std::to_string(block));
    if (output.Json())
        output.Print(Json::Object().Add("block", block).Add("name", name));
    else
        output.Text() << name << '\n';
}

void SetFlag(CommandLine& line, Output& output) {
    DWORD block = Number(line, "BLOCK"), flag = Number(line, "FLAG"), value = Number(line, "VALUE");
    line.Finish();
    CheckDebug(KMXDebug_SetFlagInfo(block, flag, value),
               "setting flag " + std::to_string(flag) + " of block " + std::to_string(block));
    if (output.Json())
        output.Print(Json::Object().Add("block", block).Add("flag", flag).Add("value", value));
    else
        output.Text() << "flag " << flag << " of block " << block << " = " << Hex(value) << '\n';
}

void DeviceId(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    line.Finish();
    DebugDevice device(id);
    DWORD id1 = 0, id2 = 0;
    CheckDebug(KMXDebug_DeviceIDGet(device.Handle(), &id1, &id2), "device id of " + CameraName(id));
    if (output.Json())
        output.Print(
            Json::Object().Add("camera", id).Add("device_id", Json::Array().Push(id1).Push(id2)));
    else
        output.Text() << CameraName(id) << " device id " << Hex(id1) << ' ' << Hex(id2) << '\n';
}

void UsbCommand(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    std::optional<std::string> length = line.Option("--length");
    DWORD word = Number(line, "WORD");
    BYTE byte = static_cast<BYTE>(Number(line, "BYTE", 0xFF));
    WORD parameter = static_cast<WORD>(Number(line, "SHORT", 0xFFFF));
    std::vector<BYTE> data = RequestData(line, length, 0xFFFF);
    line.Finish();
    DebugDevice device(id);
    CheckDebug(KMXDebug_USB_Command(device.Handle(), word, byte, parameter, data.data(),
                                    static_cast<WORD>(data.size())),
               "USB command on " + CameraName(id));
    PrintData(output, data);
}

void UsbTransfer(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    std::optional<std::string> length = line.Option("--length");
    BYTE byte = static_cast<BYTE>(Number(line, "BYTE", 0xFF));
    DWORD word = Number(line, "WORD");
    // Transfers beyond a megabyte are no service tool's business.
    std::vector<BYTE> data = RequestData(line, length, 1 << 20);
    line.Finish();
    DebugDevice device(id);
    CheckDebug(KMXDebug_USB_Transfer(device.Handle(), byte, data.data(),
                                     static_cast<DWORD>(data.size()), word),
               "USB transfer on " + CameraName(id));
    PrintData(output, data);
}

void SetInterface(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    BYTE interface = static_cast<BYTE>(Number(line, "INTERFACE", 0xFF));
    BYTE alternate = static_cast<BYTE>(Number(line, "ALTERNATE", 0xFF));
    line.Finish();
    DebugDevice device(id);
    CheckDebug(KMXDebug_USB_Set_Interface(device.Handle(), interface, alternate),
               "setting the interface of " + CameraName(id));
    if (output.Json())
        output.Print(Json::Object()
                         .Add("camera", id)
                         .Add("interface", interface)
                         .Add("alternate", alternate));
    else
        output.Text() << CameraName(id) << " interface " << int(interface) << " alternate setting "
                      << int(alternate) << '\n';
}

std::string AccessName(uint32_t access) {
    switch (access) {
        case kmx::kReadWrite:
            return "read-write";
        case kmx::kReadOnly:
            return "read-only";
        case kmx::kResetOnly:
            return "default only";
        default:
            return std::to_string(access);
    }
}

// Describes the property at INDEX with its value; false past the last.
bool DescribeProperty(HANDLE device, DWORD index, Output& output, Json& list) {
    kmx::PropertyDescriptor descriptor{};
    DWORD status = KMXDebug_GetPropertyDescriptor(device, index, &descriptor);
    if (status == KMXDEBUG_STATUS_BAD_PARAMETER) return false;
    CheckDebug(status, "property descriptor " + std::to_string(index));
    std::vector<BYTE> value(descriptor.size);
    bool has_value = descriptor.size &&
                     KMXDebug_GetPropertyInformation(device, index, value.data(),
                                                     descriptor.size) == KMXDEBUG_STATUS_SUCCESS;
    std::string name(descriptor.name, strnlen(descriptor.name, sizeof descriptor.name));
    std::string hex = has_value ? HexBytes(value.data(), value.size()) : "";
    list.Push(Json::Object()
                  .Add("index", index)
                  .Add("set", GuidText(descriptor.set))
                  .Add("id", descriptor.id)
                  .Add("size", descriptor.size)
                  .Add("access", AccessName(descriptor.access))
                  .Add("minimum", static_cast<int64_t>(descriptor.minimum))
                  .Add("maximum", static_cast<int64_t>(descriptor.maximum))
                  .Add("default", static_cast<int64_t>(descriptor.default_value))
                  .Add("name", name)
                  .Add("value", has_value ? Json(hex) : Json::Null()));
    if (!output.Json()) {
        output.Text() << index << "  " << name << "  " << GuidText(descriptor.set) << " id "
                      << descriptor.id << ", " << descriptor.size << " bytes, "
                      << AccessName(descriptor.access);
        if (descriptor.limited)
            output.Text() << ", " << descriptor.minimum << " to " << descriptor.maximum
                          << ", default " << descriptor.default_value;
        if (has_value) output.Text() << ": " << hex;
        output.Text() << '\n';
    }
    return true;
}

bool DescribeNotification(HANDLE device, DWORD index, Output& output, Json& list) {
    kmx::NotificationDescriptor descriptor{};
    DWORD status = KMXDebug_GetNotificationDescriptor(device, index, &descriptor);
    if (status == KMXDEBUG_STATUS_BAD_PARAMETER) return false;
    CheckDebug(status, "notification descriptor " + std::to_string(index));
    std::string name(descriptor.name, strnlen(descriptor.name, sizeof descriptor.name));
    list.Push(Json::Object()
                  .Add("index", index)
                  .Add("set", GuidText(descriptor.set))
                  .Add("id", descriptor.id)
                  .Add("registered", descriptor.registered)
                  .Add("name", name));
    if (!output.Json())
        output.Text() << index << "  " << name << "  " << GuidText(descriptor.set) << " id "
                      << descriptor.id << ", " << descriptor.registered << " registered\n";
    return true;
}

void Descriptor(CommandLine& line, Output& output) {
    std::optional<DWORD> id = line.OptionalCamera();
    std::string kind = line.Next("property or notification");
    std::optional<std::string> index = line.NextIfAny();
    line.Finish();
    auto describe = kind == "property"       ? DescribeProperty
                    : kind == "notification" ? DescribeNotification
                                             : nullptr;
    if (!describe)
        throw UsageError("descriptor of what? 'property' or 'notification', not '" + kind + "'");
    // Without a camera the library asks the first camera that opens.
    std::optional<DebugDevice> device;
    if (id) device.emplace(*id);
    HANDLE handle = device ? device->Handle() : INVALID_HANDLE_VALUE;
    Json list = Json::Array();
    if (index) {
        DWORD at = static_cast<DWORD>(ParseUnsigned(*index, "INDEX", MAXDWORD));
        if (!describe(handle, at, output, list))
            CheckDebug(KMXDEBUG_STATUS_BAD_PARAMETER, kind + " descriptor " + *index);
    } else {
        for (DWORD at = 0; describe(handle, at, output, list); ++at) {
        }
    }
    if (output.Json()) output.Print(list);
}

const std::map<std::string, void (*)(CommandLine&, Output&)> kSubcommands = {
    {"version", Version},
    {"flags", Flags},
    {"flag-name", FlagNameCommand},
    {"block-name", BlockName},
    {"set-flag", SetFlag},
    {"device-id", DeviceId},
    {"usb-command", UsbCommand},
    {"usb-transfer", UsbTransfer},
    {"set-interface", SetInterface},
    {"descriptor", Descriptor},
};

void RunDebug(CommandLine& line, Output& output) {
    std::string name = line.Next("debug command");
    auto found = kSubcommands.find(name);
    if (found == kSubcommands.end()) throw UsageError("unknown debug command '" + name + "'");
    found->second(line, output);
}

}  // namespace

const Command kDebugCommand = {
    "debug",
    "version | flags [BLOCK] | flag-name BLOCK FLAG | block-name BLOCK |\n"
    "             set-flag BLOCK FLAG VALUE | device-id -c ID |\n"
    "             usb-command -c ID WORD BYTE SHORT [DATA | --length N] |\n"
    "             usb-transfer -c ID BYTE WORD [DATA | --length N] |\n"
    "             set-interface -c ID INTERFACE ALTERNATE |\n"
    "             descriptor property|notification [INDEX] [-c ID]",
    "the kernel driver's version, debug flags (blocks from 5), device id, raw USB requests "
    "(DATA in hex; the reply is printed) and descriptors",
    RunDebug};

}  // namespace kmxctl
