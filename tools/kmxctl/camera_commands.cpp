// kmxctl list, info, lock, unlock and abort: the cameras, what each is, and
// the capture lock by which a process reserves a camera for its capture
// clients.
#include <kmx512u/kmxdebug.h>
#include <kmx512u/kmxpi.h>

#include "camera_access.h"
#include "capture_lock_view.h"
#include "deadline.h"
#include "failures.h"
#include "interrupt.h"
#include "property_table.h"
#include "tool.h"

#include <cstring>
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

// The capture lock in a line: free, or the camera and its holder.
std::string LockText(const std::optional<CaptureLockView>& lock) {
    if (!lock) return "free";
    std::string text = CameraName(lock->camera);
    if (!lock->stale) return text + ", held by process " + std::to_string(lock->process);
    char age[32];
    snprintf(age, sizeof age, "%.1f s", lock->heartbeat_age / 1000.0);
    return text + ", left by process " + std::to_string(lock->process) +
           " (stale: no heartbeat for " + age + "; the next lock attempt clears it)";
}

Json LockJson(const std::optional<CaptureLockView>& lock) {
    if (!lock) return Json::Null();
    return Json::Object()
        .Add("camera", lock->camera)
        .Add("process", lock->process)
        .Add("stale", lock->stale)
        .Add("heartbeat_age_ms", lock->heartbeat_age)
        .Add("identity", WordPair(lock->identity1, lock->identity2));
}

// What a command could not read, said once its output is shown: "USB1 did
// not answer: firmware version, native size 2".
class Unread {
  public:
    void Add(const std::string& what) { items_ += (items_.empty() ? "" : ", ") + what; }
    void ThrowIfAny(const std::string& who) const {
        if (!items_.empty()) throw Failure(who + " did not answer: " + items_);
    }

  private:
    std::string items_;
};

void RunList(CommandLine& line, Output& output) {
    line.Finish();
    Json cameras = Json::Array();
    const std::optional<CaptureLockView> lock = ReadCaptureLock();
    DWORD present_count = 0;
    const std::vector<DWORD> listed = ListedCameras(&present_count);
    if (!output.Json())
        output.Text() << "ID   NAME   PRESENT LOCKED IDENTITY          DEVICE ID         PATH\n";
    Unread unread;
    for (DWORD id : listed) {
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
            } else {
                unread.Add(CameraName(id) + " identity");
            }
            DWORD id1 = 0, id2 = 0;
            if (KMXDebug_DeviceIDGet(device, &id1, &id2) == KMXDEBUG_STATUS_SUCCESS) {
                device_id = WordPair(id1, id2);
                device_text = Hex8(id1) + " " + Hex8(id2);
            } else {
                unread.Add(CameraName(id) + " device id");
            }
            KMXDebug_CloseDevice(&device);
        }
        const bool locked = lock && lock->camera == id;
        const char* locked_text = !locked ? "no" : lock->stale ? "stale" : "yes";
        cameras.Push(Json::Object()
                         .Add("id", id)
                         .Add("name", CameraName(id))
                         .Add("path", path)
                         .Add("present", present)
                         .Add("locked", locked && !lock->stale)
                         .Add("identity", identity)
                         .Add("device_id", device_id));
        if (output.Json()) continue;
        output.Text() << std::left << std::setw(5) << id << std::setw(7) << CameraName(id)
                      << std::setw(8) << (present ? "yes" : "no") << std::setw(7) << locked_text
                      << std::setw(18) << identity_text << std::setw(18) << device_text << path
                      << '\n';
    }
    if (output.Json())
        output.Print(Json::Object().Add("cameras", cameras).Add("capture_lock", LockJson(lock)));
    else
        output.Text() << "capture lock: " << LockText(lock) << '\n';
    if (!present_count)
        throw Failure("no camera is present; is the camera service running (kmx512-camd serve)?");
    unread.ThrowIfAny("the cameras");
}

std::string FourCCText(DWORD compression) {
    if (!compression) return "RGB";
    std::string text;
    for (int shift = 0; shift < 32; shift += 8)
        text += static_cast<char>(compression >> shift & 0xFF);
    return text;
}

// A property of the camera shown as the Driver Information dialog shows
// it: "---" when the camera does not answer it (noted in UNREAD), "none"
// when it has no such property; null in JSON for both.
std::pair<std::string, Json> Shown(const CameraHandle& camera, const std::string& name,
                                   Unread& unread) {
    const Property& property = FindProperty(name);
    PropertyRead read = ReadProperty(camera, property.set, property.id, property.size);
    if (read.Lacking()) return {"none", Json::Null()};
    if (!read.value) {
        unread.Add(name);
        return {kNotRead, Json::Null()};
    }
    std::string text = ValueText(property, *read.value);
    return {text, Json(text)};
}

void RunInfo(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    line.Finish();
    CameraHandle camera(id);
    Unread unread;
    auto firmware = Shown(camera, "firmware-version", unread);
    auto sensor = Shown(camera, "sensor-type", unread);
    auto text = Shown(camera, "camera-text", unread);
    DebugDevice device(id);
    const DriverList<kmx::FormatDescriptor> modes = CameraModes(device.Handle());
    if (!modes.failure.empty()) unread.Add("modes (" + modes.failure + ")");
    // The native sizes run from the first id until the first one the camera
    // does not have.
    std::vector<std::pair<DWORD, DWORD>> natives;
    for (DWORD native = KMXPI_CAMERA_FIRST_NATIVE_SIZE; native <= KMXPI_CAMERA_LAST_NATIVE_SIZE;
         ++native) {
        DWORD size[2];
        PropertyRead read = ReadProperty(camera, KMXPI_PROPSET_CAMERA, native, sizeof size);
        if (read.Lacking()) break;
        if (!read.value) {
            unread.Add("native size " +
                       std::to_string(native - KMXPI_CAMERA_FIRST_NATIVE_SIZE + 1));
            break;
        }
        memcpy(size, read.value->data(), sizeof size);
        natives.emplace_back(size[0], size[1]);
    }

    if (output.Json()) {
        Json mode_list = Json::Array(), native_list = Json::Array();
        for (const kmx::FormatDescriptor& mode : modes.items)
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
                         .Add("firmware_version", firmware.second)
                         .Add("sensor_type", sensor.second)
                         .Add("camera_text", text.second)
                         .Add("modes", mode_list)
                         .Add("native_sizes", native_list));
    } else {
        std::ostream& out = output.Text();
        out << CameraName(id) << '\n'
            << "  firmware version  " << firmware.first << '\n'
            << "  sensor type       " << sensor.first << '\n'
            << "  camera text       " << text.first << '\n'
            << "  modes\n";
        for (const kmx::FormatDescriptor& mode : modes.items)
            out << "    " << mode.index << "  " << FourCCText(mode.format.compression) << ' '
                << int(mode.format.bits_per_pixel) << "-bit " << mode.format.width << 'x'
                << mode.format.height << ", " << mode.min_width << 'x' << mode.min_height << " to "
                << mode.max_width << 'x' << mode.max_height << " in steps of " << mode.width_step
                << 'x' << mode.height_step << ", " << mode.format.timing << " ms a frame\n";
        if (modes.items.empty()) out << "    " << kNotRead << '\n';
        out << "  native sizes     ";
        for (auto [width, height] : natives) out << ' ' << width << 'x' << height;
        out << (natives.empty() ? std::string(" ") + kNotRead : "") << '\n';
    }
    unread.ThrowIfAny(CameraName(id));
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
    {
        WaitingForUser holding;
        WaitForSingleObject(interruption.Event(), INFINITE);
    }
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
    const std::optional<CaptureLockView> before = ReadCaptureLock();
    DWORD status = KMXPI_HandleLockVfWOpen(camera.Handle());
    if (status == KMXPI_STATUS_IN_USE)
        throw Failure(
            "the capture lock is held by a live process (interrupt the kmxctl lock "
            "that holds it): " +
            InterfaceStatusName(status));
    CheckInterface(status, "unlocking " + CameraName(id));
    CheckInterface(KMXPI_HandleUnLockVfWOpen(camera.Handle()), "unlocking " + CameraName(id));
    const bool cleared = before && before->stale;
    if (output.Json()) {
        Json result = Json::Object().Add("capture_lock", "free");
        if (cleared)
            result.Add(
                "cleared",
                Json::Object().Add("camera", before->camera).Add("process", before->process));
        output.Print(result);
    } else if (cleared) {
        output.Text() << "the capture lock is free: cleared the stale lock that process "
                      << before->process << " left on " << CameraName(before->camera) << '\n';
    } else {
        output.Text() << "the capture lock is free\n";
    }
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
    "every listed camera: id, name, whether it is present and locked, identity and device id "
    "words, interface path; and the capture lock: which camera, which process holds it, "
    "whether that process is still alive",
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
