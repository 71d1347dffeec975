// The capture driver as capture applications find it: the msvideo aliases
// ("msvideo", "msvideo1" ... "msvideo9") under Drivers32 of
// HKEY_LOCAL_MACHINE that name the linking driver, optionally with the
// camera identity it asks for, and the driver's description; and beside it
// the MJPG codec under "vidc.MJPG", with which players decode what the
// camera sends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kmxtool {

// The alias of a driver slot: "msvideo" for 0, else "msvideo" and the slot.
std::string CaptureDriverAlias(DWORD slot);

// The value of a Drivers32 alias, or nullopt when it is not set.
std::optional<std::string> ReadCaptureDriverAlias(DWORD slot);

// Whether an alias value names our linking driver.
bool NamesLinkingDriver(const std::optional<std::string>& value);

struct InstalledDriver {
    DWORD slot;
    std::string value;
    // What "vidc.MJPG" holds now: our codec, or another that was there.
    std::string codec_value;
};

// Installs the linking driver in SLOT, or when none is given in the slot
// that names it already, else the first free one; IDENTITY is the camera
// it asks for. A Failure when no slot is free or SLOT holds another driver.
// The MJPG codec is registered too, unless another codec holds its alias.
InstalledDriver InstallCaptureDriver(std::optional<DWORD> slot,
                                     std::optional<std::pair<DWORD, DWORD>> identity);

// Removes the aliases that name the linking driver (only SLOT's when
// given), and the description once none names it, with the MJPG codec's
// alias when it names ours; the aliases removed.
std::vector<std::string> UninstallCaptureDriver(std::optional<DWORD> slot);

}  // namespace kmxtool
