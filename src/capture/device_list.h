// The process's capture device list: every record of a camera in use, newest
// first, with the lock that guards the head, the links and every walk. The
// lock is held only for walks, inserts and unlinks, never while a camera
// command runs; a record found is then used without it.
#pragma once

#include <windows.h>

#include "capture/capture_device.h"

namespace kmx {

// Module start: the list is empty and its lock ready.
void InitializeDeviceList();

// The record that holds INSTANCE as one of its channels, or null.
CaptureDevice* FindDevice(DWORD_PTR instance);

// How a channel open claims its slot.
enum class ChannelClaim {
    kClaimed,
    kNoMemory,   // a new record could not be had
    kBadType,    // the channel type is neither VIDEO_EXTERNALIN nor VIDEO_IN
    kSlotTaken,  // the record reached has that channel open already
};

// Claims the channel of CHANNEL_TYPE for INSTANCE on the first record with
// a free channel (the last record when none has one) or, when the list is
// empty or that record has both channels open, on a new record, which
// *RECORD then gets with *CREATED set; a new record is not listed yet. On
// any other result than kClaimed nothing is claimed and no record is kept.
ChannelClaim ClaimChannel(DWORD_PTR instance, DWORD channel_type, CaptureDevice** record,
                          bool* created);

// Lists RECORD at the head.
void InsertDevice(CaptureDevice* record);
// Frees the channel INSTANCE on the record that holds it. When that was the
// record's last open channel the record is taken off the list (its
// neighbours linked to each other) and *LAST is set: the caller closes its
// camera and frees it. The record, or null when none holds INSTANCE.
CaptureDevice* ReleaseChannel(DWORD_PTR instance, bool* last);

// Module end: takes every record off the list in turn, handing each to
// CLOSE (which frees it), then deletes the lock.
void DrainDeviceList(void (*close)(CaptureDevice* record));

}  // namespace kmx
