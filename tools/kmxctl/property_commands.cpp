// kmxctl get, set and default: a camera's properties by readable name, or
// any property by set GUID, id and size.
#include <kmx512u/kmxpi.h>

#include "camera_access.h"
#include "failures.h"
#include "property_table.h"
#include "tool.h"

#include <cstring>
#include <optional>

namespace kmxctl {
namespace {

// The most a raw property value may take.
constexpr uint64_t kLargestRawValue = 4096;

// A property named on the command line: one of the table, or raw.
struct Addressed {
    const Property* known = nullptr;
    GUID set{};
    DWORD id = 0;
    std::string label;
};

bool SameProperty(const kmx::PropertyDescriptor& described, const GUID& set, DWORD id) {
    return described.id == id && memcmp(&described.set, &set, sizeof set) == 0;
}

// The names of the table's properties that camera ID has, as its driver
// describes them; every name when it describes none or does not open.
std::vector<std::string> NamesOf(DWORD id) {
    std::vector<std::string> names, all;
    std::vector<kmx::PropertyDescriptor> described;
    try {
        DebugDevice device(id);
        described = PropertyDescriptors(device.Handle()).items;
    } catch (const Failure&) {
    }
    for (const Property& property : Properties()) {
        all.push_back(property.name);
        for (const kmx::PropertyDescriptor& item : described)
            if (SameProperty(item, property.set, property.id)) names.push_back(property.name);
    }
    return names.empty() ? all : names;
}

// The range that camera ID's driver gives for a property's value, when it
// gives one.
std::optional<std::pair<int32_t, int32_t>> DescribedRange(DWORD id, const Addressed& property) {
    try {
        DebugDevice device(id);
        for (const kmx::PropertyDescriptor& item : PropertyDescriptors(device.Handle()).items)
            if (SameProperty(item, property.set, property.id) && item.limited)
                return std::make_pair(item.minimum, item.maximum);
    } catch (const Failure&) {
    }
    return std::nullopt;
}

// --set GUID --id N, or NAME as the next word; nullopt when neither is given
// and ALLOW_NONE. An unknown NAME is told with the names camera ID has.
std::optional<Addressed> Address(CommandLine& line, DWORD camera, bool allow_none) {
    std::optional<std::string> set = line.Option("--set"), id = line.Option("--id");
    if (set || id) {
        if (!set || !id) throw UsageError("raw access needs both --set GUID and --id N");
        Addressed raw;
        raw.set = ParseGuid(*set, "--set");
        raw.id = static_cast<DWORD>(ParseUnsigned(*id, "--id", MAXDWORD));
        raw.label = GuidText(raw.set) + " id " + std::to_string(raw.id);
        return raw;
    }
    std::optional<std::string> name = allow_none ? line.NextIfAny() : line.Next("property NAME");
    if (!name) return std::nullopt;
    Addressed known;
    known.known = LookupProperty(*name);
    if (!known.known) throw UnknownProperty(*name, NamesOf(camera));
    known.set = known.known->set;
    known.id = known.known->id;
    known.label = known.known->name;
    return known;
}

// What a failed request for PROPERTY of CAMERA means to its user.
[[noreturn]] void PropertyFailure(DWORD camera, const Addressed& property, DWORD status,
                                  const std::string& doing) {
    if (status == KMXPI_STATUS_BAD_GUID || status == KMXPI_STATUS_BAD_ID)
        throw Failure(Lacks(camera, property.label));
    throw Failure(doing + " " + property.label + ": " + InterfaceStatusName(status));
}

Json Entry(const Addressed& property, const std::vector<BYTE>& value) {
    Json entry = Json::Object().Add("property", property.label);
    if (!property.known)
        return entry.Add("set", GuidText(property.set))
            .Add("id", property.id)
            .Add("value", HexBytes(value.data(), value.size()));
    return entry.Add("value", ValueJson(*property.known, value));
}

void Show(Output& output, DWORD camera, const Addressed& property, const std::vector<BYTE>& value) {
    if (output.Json()) {
        output.Print(Entry(property, value).Add("camera", camera));
        return;
    }
    std::string shown =
        property.known ? ValueText(*property.known, value) : HexBytes(value.data(), value.size());
    output.Text() << property.label << " = " << shown << '\n';
}

std::string NoAnswer(const CameraHandle& camera, const std::string& label) {
    return CameraName(camera.Id()) + " did not answer " + label + " (its driver wrote no value)";
}

std::vector<BYTE> Read(const CameraHandle& camera, const Addressed& property, DWORD size) {
    PropertyRead read = ReadProperty(camera, property.set, property.id, size);
    if (read.status != KMXPI_STATUS_SUCCESS)
        PropertyFailure(camera.Id(), property, read.status, "reading");
    if (!read.value) throw Failure(NoAnswer(camera, property.label));
    return *read.value;
}

// Every property of the table that the camera has; those it did not answer
// are told after the others.
void GetAll(DWORD id, Output& output) {
    CameraHandle camera(id);
    Json all = Json::Array();
    std::string unanswered;
    for (const Property& property : Properties()) {
        if (property.kind == ValueKind::ResetOnly) continue;
        PropertyRead read = ReadProperty(camera, property.set, property.id, property.size);
        if (read.Lacking()) continue;
        if (read.status != KMXPI_STATUS_SUCCESS || !read.value) {
            unanswered += (unanswered.empty() ? "" : ", ") + property.name;
            continue;
        }
        Addressed addressed{&property, property.set, property.id, property.name};
        if (output.Json())
            all.Push(Entry(addressed, *read.value));
        else
            Show(output, id, addressed, *read.value);
    }
    if (output.Json()) output.Print(Json::Object().Add("camera", id).Add("properties", all));
    if (!unanswered.empty()) throw Failure(CameraName(id) + " did not answer: " + unanswered);
}

void RunGet(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    std::optional<std::string> size = line.Option("--size");
    std::optional<Addressed> property = Address(line, id, true);
    line.Finish();
    if (!property) {
        if (size) throw UsageError("--size goes with --set and --id");
        return GetAll(id, output);
    }
    if (property->known && size) throw UsageError("--size goes with --set and --id, not a NAME");
    if (!property->known && !size) throw UsageError("raw access needs --size BYTES");
    if (property->known && property->known->kind == ValueKind::ResetOnly)
        throw UsageError(property->label + " has no value; it can only be reset to its default");
    DWORD bytes = property->known
                      ? property->known->size
                      : static_cast<DWORD>(ParseUnsigned(*size, "--size", kLargestRawValue));
    if (!bytes) throw UsageError("--size must be at least 1");
    CameraHandle camera(id);
    Show(output, id, *property, Read(camera, *property, bytes));
}

void RunSet(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    Addressed property = *Address(line, id, false);
    std::string text = line.Next("VALUE");
    line.Finish();
    if (property.known && property.known->read_only)
        throw UsageError(property.label + " is read-only");
    if (property.known && property.known->kind == ValueKind::ResetOnly)
        throw UsageError(property.label + " has no value; use kmxctl default");
    std::vector<BYTE> value;
    if (property.known) {
        // Checked before the camera is asked anything.
        value = ParseValue(*property.known, text, std::vector<BYTE>(property.known->size));
    } else {
        value = ParseBytes(text, "VALUE");
        if (value.empty() || value.size() > kLargestRawValue)
            throw UsageError("VALUE takes 1 to " + std::to_string(kLargestRawValue) + " bytes");
    }
    CameraHandle camera(id);
    // A value record keeps the parts that are not set as the camera has them.
    if (property.known && property.known->kind == ValueKind::ProcAmp)
        value = ParseValue(*property.known, text, Read(camera, property, property.known->size));
    DWORD status = KMXPI_PropertySet(camera.Handle(), &property.set, property.id,
                                     static_cast<DWORD>(value.size()), value.data());
    if (status == KMXPI_STATUS_BAD_PARAMETER) {
        if (auto range = DescribedRange(id, property))
            throw Failure(CameraName(id) + " refused " + property.label + " = " + text +
                          ": it takes " + std::to_string(range->first) + " to " +
                          std::to_string(range->second) + " (" + InterfaceStatusName(status) + ")");
    }
    if (status != KMXPI_STATUS_SUCCESS) PropertyFailure(id, property, status, "setting");
    // The camera answers with the value it now holds.
    Show(output, id, property, value);
}

void RunDefault(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    Addressed property = *Address(line, id, false);
    line.Finish();
    CameraHandle camera(id);
    DWORD status = KMXPI_PropertyDefault(camera.Handle(), &property.set, property.id);
    if (status != KMXPI_STATUS_SUCCESS) PropertyFailure(id, property, status, "resetting");
    if (property.known && property.known->kind != ValueKind::ResetOnly) {
        Show(output, id, property, Read(camera, property, property.known->size));
    } else if (output.Json()) {
        output.Print(
            Json::Object().Add("camera", id).Add("property", property.label).Add("reset", true));
    } else {
        output.Text() << property.label << " reset to its default\n";
    }
}

}  // namespace

const Command kGetCommand = {
    "get", "-c ID [NAME | --set GUID --id N --size BYTES]",
    "a property by name (every property the camera has, without NAME), or raw, in hex", RunGet};
const Command kSetCommand = {"set", "-c ID (NAME VALUE | --set GUID --id N HEXBYTES)",
                             "sets a property and shows the value the camera now holds", RunSet};
const Command kDefaultCommand = {"default", "-c ID (NAME | --set GUID --id N)",
                                 "returns a property to its default", RunDefault};

}  // namespace kmxctl
