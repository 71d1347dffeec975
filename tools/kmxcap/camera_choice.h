// Which camera kmxcap captures from. A capture application cannot name a
// camera to the driver; it reserves one with the programming interface's
// capture lock, and the driver then opens exactly that camera.
#pragma once

#include <windows.h>

#include <kmx512u/kmxpi.h>

#include "command_line.h"

#include <string>
#include <vector>

namespace kmxcap {

// The connected cameras with identity WORD1/WORD2 (every one for 0/0).
std::vector<DWORD> ConnectedCameras(DWORD word1 = 0, DWORD word2 = 0);
// The interface path listed under ID, or "" when none is.
std::string CameraPath(DWORD id);

// The capture lock on one camera, held while this lives.
class CameraReservation {
  public:
    explicit CameraReservation(DWORD id);
    ~CameraReservation();
    CameraReservation(const CameraReservation&) = delete;
    CameraReservation& operator=(const CameraReservation&) = delete;
    DWORD Id() const { return id_; }

  private:
    DWORD id_;
    KMXPI_HANDLE handle_ = nullptr;
};

// The camera of "-c ID", of "--identity W1:W2" (the first connected one
// with that identity), else the first connected camera; a Failure when
// there is none.
DWORD ChooseCamera(kmxtool::CommandLine& line);

}  // namespace kmxcap
