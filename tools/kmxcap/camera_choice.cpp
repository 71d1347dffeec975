#include "camera_choice.h"

#include <kmx512u/kmxdebug.h>

#include "failures.h"

namespace kmxcap {

std::vector<DWORD> ConnectedCameras(DWORD word1, DWORD word2) {
    // Room for every connection id there can be.
    std::vector<DWORD> ids(256);
    DWORD count = 0;
    kmxtool::CheckInterface(
        KMXPI_CameraEnum(word1, word2, ids.data(), static_cast<DWORD>(ids.size()), &count),
        "listing the cameras");
    ids.resize(std::min<size_t>(ids.size(), count));
    return ids;
}

std::string CameraPath(DWORD id) {
    char path[KMXDEBUG_CONNECTION_STRING_SIZE] = {};
    if (KMXDebug_GetConnectionString(id, path, sizeof path) != KMXDEBUG_STATUS_SUCCESS) return {};
    return path;
}

CameraReservation::CameraReservation(DWORD id) : id_(id) {
    kmxtool::CheckInterface(KMXPI_HandleOpen(id, &handle_), "opening " + kmxtool::CameraName(id));
    DWORD locked = KMXPI_HandleLockVfWOpen(handle_);
    if (locked != KMXPI_STATUS_SUCCESS) {
        KMXPI_HandleClose(&handle_);
        kmxtool::CheckInterface(locked, "reserving " + kmxtool::CameraName(id) + " for capture");
    }
}

CameraReservation::~CameraReservation() {
    KMXPI_HandleUnLockVfWOpen(handle_);
    KMXPI_HandleClose(&handle_);
}

DWORD ChooseCamera(kmxtool::CommandLine& line) {
    std::optional<DWORD> id = line.OptionalCamera();
    std::optional<std::string> identity = line.Option("--identity");
    if (id && identity) throw kmxtool::UsageError("give -c ID or --identity W1:W2, not both");
    if (id) return *id;
    std::pair<DWORD, DWORD> words{0, 0};
    if (identity) words = kmxtool::ParseIdentity(*identity);
    std::vector<DWORD> cameras = ConnectedCameras(words.first, words.second);
    if (cameras.empty())
        throw kmxtool::Failure(identity ? "no connected camera has identity " + *identity
                                        : std::string("no camera is connected"));
    return cameras.front();
}

}  // namespace kmxcap
