// kmxctl list, info, lock, unlock and abort: the cameras, what each is, and
// the capture lock by which a process reserves a camera for its capture
// clients.
#include <kmx512u/kmxdebug.h>
#include <kmx512u/kmxpi.h>

#include "camera_access.h"
#include "failures.h"
#include "interrupt.h"
#include "property_table.h"
#include "tool.h"

#include <iomanip>

namespace kmxctl {
namespace {

constexpr char kNotRead[] = "---";

std::string Hex8(DWORD value) {
    char text[12];
    snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
    return text;
}

Json WordPair(DWORD a, DWORD b) {
    return Json::Array().Push(a).Push(b);
}

// Whether a live process holds the capture lock, which reserves one camera
// of the machine. The library tells only by refusing the lock, and not
// which camera it is: a free lock is taken on CAMERA and given back at once
// (which also clears a lock that a dead process left behind). Nothing when
// the camera cannot be asked.
std::optional<bool> CaptureLockHeld(DWORD camera) {
    KMXPI_HANDLE handle = nullptr;
    if (KMXPI_HandleOpen(camera, &handle) != KMXPI_STATUS_SUCCESS) return std::nullopt;
    DWORD status = KMXPI_HandleLockVfWOpen(handle);
    if (status == KMXPI_STATUS_SUCCESS) KMXPI_HandleUnLockVfWOpen(handle);
    KMXPI_HandleClose(&handle);
    if (status == KMXPI_STATUS_IN_USE) return true;
    if (status == KMXPI_STATUS_SUCCESS) return false;
    return std::nullopt;
}

void RunList(CommandLine& line, Output& output) {
    line.Finish();
    Json cameras = Json::Array();
    std::optional<bool> lock;
    if (!output.Json())
        output.Text() << "ID   NAME   PRESENT IDENTITY          DEVICE ID         PATH\n";
    for (DWORD id : ListedCameras()) {
        char path[KMXDEBUG_CONNECTION_STRING_SIZE] = "";
        KMXDebug_GetConnectionString(id, path, sizeof path);
        HANDLE device = INVALID_HANDLE_VALUE;
        bool present =
            KMXDebug_OpenDevice(static_cast<LONG>(id), &device) == KMXDEBUG_STATUS_SUCCESS;
        std::string identity_text = kNotRead, device_text = kNotRead;
        Json identity = Json::Null(), device_id = Json::Null();
        if (present) {
            if (auto words = CameraIdentity(device)) {
                identity = WordPair(words->first, words->second);
                identity_text = Hex8(words->first) + " " + Hex8(words->second);
            }
            DWORD id1 = 0, id2 = 0;
            if (KMXDebug_DeviceIDGet(device, &id1, &id2) == KMXDEBUG_STATUS_SUCCESS) {
                device_id = WordPair(id1, id2);
                device_text = Hex8(id1) + " " + Hex8(id2);
            }
            KMXDebug_CloseDevice(&device);
            if (!lock) lock = CaptureLockHeld(id);
        }
        cameras.Push(Json::Object()
                         .Add("id", id)
                         .Add("name", CameraName(id))
                         .Add("path", path)
                         .Add("present", present)
                         .Add("identity", identity)
                         .Add("device_id", device_id));
        if (output.Json()) continue;
        output.Text() << std::left << std::setw(5) << id << std::setw(7) << CameraName(id)
                      << std::setw(8) << (present ? "yes" : "no") << std::setw(18) << identity_text
                      << std::setw(18) << device_text << path << '\n';
    }
    const char* lock_text = !lock ? "unknown (no camera answers)" : *lock ? "held" : "free";
    if (output.Json())
        output.Print(Json::Object()
                         .Add("cameras", cameras)
                         .Add("capture_lock", lock ? Json(*lock ? "held" : "free") : Json::Null()));
    else
        output.Text() << "capture lock: " << lock_text << '\n';
}

std::string FourCCText(DWORD compression) {
    if (!compression) return "RGB";
    std::string text;
    for (int shift = 0; shift < 32; shift += 8)
        text += static_cast<char>(compression >> shift & 0xFF);
    return text;
}

// A property of the camera set shown as the Driver Information dialog
// shows it, "---" when the camera does not answer it.
std::pair<std::string, Json> Shown(const CameraHandle& camera, const std::string& name) {
    const Property& property = FindProperty(name);
    std::vector<BYTE> value(property.size);
    if (KMXPI_PropertyGet(camera.Handle(), &property.set, property.id, property.size,
                          value.data()) != KMXPI_STATUS_SUCCESS)
        return {kNotRead, Json::Null()};
    return {ValueText(property, value), ValueJson(property, value)};
}

void RunInfo(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    line.Finish();
    CameraHandle camera(id);
    auto firmware = Shown(camera, "firmware-version");
    auto sensor = Shown(camera, "sensor-type");
    auto text = Shown(camera, "camera-text");
    DebugDevice device(id);
    std::vector<kmx::FormatDescriptor> modes = CameraModes(device.Handle());
    // The native sizes run from the first id until the first one the camera
    // does not answer.
    std::vector<std::pair<DWORD, DWORD>> natives;
    for (DWORD native = KMXPI_CAMERA_FIRST_NATIVE_SIZE; native <= KMXPI_CAMERA_LAST_NATIVE_SIZE;
         ++native) {
        DWORD size[2];
        if (KMXPI_PropertyGet(camera.Handle(), &KMXPI_PROPSET_CAMERA, native, sizeof size, size) !=
            KMXPI_STATUS_SUCCESS)
            break;
        natives.emplace_back(size[0], size[1]);
    }

    if (output.Json()) {
        Json mode_list = Json::Array(), native_list = Json::Array();
        for (const kmx::FormatDescriptor& mode : modes)
            mode_list.Push(Json::Object()
                               .Add("index", static_cast<unsigned>(mode.index))
                               .Add("format", FourCCText(mode.format.compression))
                               .Add("bits", static_cast<unsigned>(mode.format.bits_per_pixel))
                               .Add("width", static_cast<unsigned>(mode.format.width))
                               .Add("height", static_cast<unsigned>(mode.format.height))
                               .Add("minimum", Json::Array()
                                                   .Push(static_cast<unsigned>(mode.min_width))
                                                   .Push(static_cast<unsigned>(mode.min_height)))
                               .Add("maximum", Json::Array()
                                                   .Push(static_cast<unsigned>(mode.max_width))
                                                   .Push(static_cast<unsigned>(mode.max_height)))
                               .Add("step", Json::Array()
                                                .Push(static_cast<unsigned>(mode.width_step))
                                                .Push(static_cast<unsigned>(mode.height_step)))
                               .Add("period_ms", mode.format.timing));
        for (auto [width, height] : natives)
            native_list.Push(Json::Object().Add("width", width).Add("height", height));
        output.Print(Json::Object()
                         .Add("camera", id)
                         .Add("name", CameraName(id))
                         .Add("firmware_version", firmware.first)
                         .Add("sensor_type", sensor.first)
                         .Add("camera_text", text.first)
                         .Add("modes", mode_list)
                         .Add("native_sizes", native_list));
        return;
    }
    std::ostream& out = output.Text();
    out << CameraName(id) << '\n'
        << "  firmware version  " << firmware.first << '\n'
        << "  sensor type       " << sensor.first << '\n'
        << "  camera text       " << text.first << '\n'
        << "  modes\n";
    for (const kmx::FormatDescriptor& mode : modes)
        out << "    " << mode.index << "  " << FourCCText(mode.format.compression) << ' '
            << int(mode.format.bits_per_pixel) << "-bit " << mode.format.width << 'x'
            << mode.format.height << ", " << mode.min_width << 'x' << mode.min_height << " to "
            << mode.max_width << 'x' << mode.max_height << " in steps of " << mode.width_step << 'x'
            << mode.height_step << ", " << mode.format.timing << " ms a frame\n";
    if (modes.empty()) out << "    " << kNotRead << '\n';
    out << "  native sizes     ";
    for (auto [width, height] : natives) out << ' ' << width << 'x' << height;
    out << (natives.empty() ? std::string(" ") + kNotRead : "") << '\n';
}

void RunLock(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    line.Finish();
    Interruption interruption;
    CameraHandle camera(id);
    CheckInterface(KMXPI_HandleLockVfWOpen(camera.Handle()), "locking " + CameraName(id));
    if (output.Json())
        output.Print(Json::Object().Add("camera", id).Add("locked", true));
    else
        output.Text() << CameraName(id) << " locked; interrupt to release it" << std::endl;
    WaitForSingleObject(interruption.Event(), INFINITE);
    CheckInterface(KMXPI_HandleUnLockVfWOpen(camera.Handle()), "releasing " + CameraName(id));
    if (output.Json())
        output.Print(Json::Object().Add("camera", id).Add("locked", false));
    else
        output.Text() << CameraName(id) << " released" << std::endl;
}

void RunUnlock(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    line.Finish();
    CameraHandle camera(id);
    // Only the process that holds a lock may give it up; a lock whose holder
    // has died is stale and goes with the next attempt to take it.
    DWORD status = KMXPI_HandleLockVfWOpen(camera.Handle());
    if (status == KMXPI_STATUS_IN_USE)
        throw Failure(
            "the capture lock is held by a live process (interrupt the kmxctl lock "
            "that holds it): " +
            InterfaceStatusName(status));
    CheckInterface(status, "unlocking " + CameraName(id));
    CheckInterface(KMXPI_HandleUnLockVfWOpen(camera.Handle()), "unlocking " + CameraName(id));
    if (output.Json())
        output.Print(Json::Object().Add("capture_lock", "free"));
    else
        output.Text() << "the capture lock is free\n";
}

void RunAbort(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    line.Finish();
    CameraHandle camera(id);
    CheckInterface(KMXPI_HandleAbortVfW(camera.Handle()),
                   "aborting the capture on " + CameraName(id));
    if (output.Json())
        output.Print(Json::Object().Add("camera", id).Add("aborted", true));
    else
        output.Text() << "capture on " << CameraName(id) << " aborted\n";
}

}  // namespace

const Command kListCommand = {
    "list", "",
    "every listed camera: id, name, whether it is present, identity and device id words, "
    "interface path; and whether a live process holds the capture lock (the library tells "
    "only by refusing it: a free lock is taken and given back)",
    RunList};
const Command kInfoCommand = {
    "info", "-c ID",
    "firmware version, sensor type and camera text as the Driver Information dialog shows "
    "them, the camera's modes and native sizes",
    RunInfo};
const Command kLockCommand = {
    "lock", "-c ID", "reserves the camera for this machine's capture clients until interrupted",
    RunLock};
const Command kUnlockCommand = {
    "unlock", "-c ID",
    "makes sure the capture lock is free: clears a lock its dead holder left, refuses to "
    "break a live holder's",
    RunUnlock};
const Command kAbortCommand = {"abort", "-c ID", "ends the capture in progress on the camera",
                               RunAbort};

}  // namespace kmxctl
