// The per-user camera list: every device interface of the camera class that
// this user's processes have seen, under a connection id that the interface
// keeps for good. The list is the registry key "Devices" below the user's
// settings key, one REG_SZ value per camera, named by its id in decimal and
// holding its interface path. Ids are dense from 1; entries are never
// removed, so an unplugged camera keeps its id for when it comes back.
#pragma once

#include <windows.h>
#include <kmxrecords/camera_commands.h>

namespace kmx {

// Interface paths are read into buffers of this size (259 characters and
// the terminator).
inline constexpr DWORD kCameraPathSize = 260;

// The path of the present camera interface at INDEX (from 1) into PATH
// (kCameraPathSize bytes): 1, or 0 when there is none.
int EnumInterfacePath(LPSTR path, DWORD index);

// The path listed under ID into PATH (kCameraPathSize bytes): the bytes
// read, or 0 when the id is not listed.
DWORD LookupCamera(LPSTR path, DWORD id);

// 0 when PATH is listed, else the lowest free id.
DWORD FindCamera(LPCSTR path);

// Lists PATH under the lowest free id unless it is listed already. 1 when it
// is listed now.
int RegisterCamera(LPCSTR path);

// Lists every present camera interface that is not listed yet, in the order
// the system enumerates them, holding the registry access mutex meanwhile.
// Within a second of this process's last refresh it does nothing.
void RefreshCameraList();

}  // namespace kmx
