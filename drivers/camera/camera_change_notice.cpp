#include "camera_change_notice.h"

#include <windows.h>

namespace kmxcam {
namespace {

constexpr const char* kSettingsKey = "Software\\Brelix\\USB Camera (KMX512)";

// Opens (creating) a key of the machine's camera settings for writing, or
// null when the machine hive is not ours to write.
HKEY OpenForWriting(const char* path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// Adds one to the DWORD NAME of KEY (a missing value counts as 0), so that
// every notice is a change of value, not a rewrite of the same one.
void Increment(HKEY key, const char* name) {
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        value = 0;
    ++value;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

HKEY OpenCameraChange() {
    return OpenForWriting((std::string(kSettingsKey) + "\\CameraChange").c_str());
}

}  // namespace

// The notices are best effort: a service without write access to the
// machine hive still serves its cameras; only the watchers are not told.

void NoteCameraArrival(const std::string& interface_path) {
    HKEY key = OpenCameraChange();
    if (!key) return;
    RegSetValueExA(key, "Interface", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(interface_path.c_str()),
                   static_cast<DWORD>(interface_path.size() + 1));
    Increment(key, "Arrivals");
    RegCloseKey(key);
}

void NoteCameraRemoval() {
    HKEY key = OpenCameraChange();
    if (!key) return;
    Increment(key, "Removals");
    RegCloseKey(key);
}

void NoteSystemWake() {
    HKEY key = OpenForWriting(kSettingsKey);
    if (!key) return;
    Increment(key, "CameraWokeSystem");
    RegCloseKey(key);
}

}  // namespace kmxcam
