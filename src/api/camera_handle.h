// The record behind a KMXPI_HANDLE, and the one sender through which every
// command on a camera handle goes: the interface record of the camera
// command set, sent synchronously, its command status translated into the
// interface's status codes.
#pragma once

#include <windows.h>
#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxpi.h>

#include <mutex>

struct KMXPI_CAMERA {
    DWORD connection_id;  // never 0
    // Numbers the handle within its process, for the capture lock record.
    DWORD number;
    // Guards the three fields below. Held only to read or change them, never
    // across a command: a thread stopped by force inside one must leave the
    // handle usable and closable.
    std::mutex device_lock;
    // INVALID_HANDLE_VALUE once the camera went away.
    HANDLE device;
    // Commands in flight on the device. A device closed while there are
    // any waits in RETIRED for the last of them to close it, so that no
    // command sends on a handle value the system has given to another
    // object.
    DWORD senders;
    HANDLE retired;
    HANDLE removal_event;  // auto reset; the driver signals the camera's removal
    HANDLE stop_event;     // auto reset; ends the watcher
    HANDLE watcher;
};

namespace kmx {

// The interface status for a command status of the driver channel.
DWORD InterfaceStatus(BYTE command_status);

// Sends CODE on DEVICE with HEADER's set, id and length words followed by
// PAYLOAD_LENGTH bytes of PAYLOAD (may be null when 0); on success the
// header words and the payload come back into HEADER and PAYLOAD. The
// translated status; BUFFER_TOO_LARGE when the record's length would not
// fit in 32 bits and ALLOC_FAILED when the record cannot be had, both
// before anything is sent.
DWORD SendInterfaceCommand(HANDLE device, DWORD code, InterfaceHeader& header, void* payload,
                           DWORD payload_length);

// The same on CAMERA's device; a camera that went away (CAMERA_REMOVED)
// has its device closed.
DWORD SendHandleCommand(KMXPI_CAMERA* camera, DWORD code, InterfaceHeader& header, void* payload,
                        DWORD payload_length);

// The identity words of a camera identity reply: they take the place of the
// set's first eight bytes.
void ReadIdentity(const InterfaceHeader& reply, DWORD* identity1, DWORD* identity2);

// Closes CAMERA's device unless it is closed already; at once, or as the
// last command in flight on it ends.
void CloseCameraDevice(KMXPI_CAMERA* camera);

// Closes CAMERA's device now, also one that a command never gave back (its
// thread was stopped by force): for the handle's close and module end, when
// no command of a live thread may be in flight.
void ReleaseCameraDevice(KMXPI_CAMERA* camera);

// Module end: the watchers of the handles still open are told to end and
// their devices are closed, so that neither outlives the module; the handles
// stay valid for closing and their commands answer CAMERA_REMOVED.
void CloseOpenCameras();

}  // namespace kmx
