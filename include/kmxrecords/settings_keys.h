// The camera's settings in the registry as every program names them: the
// library, the camera service, the service tools and the tests. The keys lie
// below HKEY_LOCAL_MACHINE for the machine and below HKEY_CURRENT_USER for
// each user.
#pragma once

#include <windows.h>

namespace kmx {

inline constexpr char kSettingsKeyPath[] = "Software\\Brelix\\USB Camera (KMX512)";
// Sub-keys of the settings key: the user's camera list, and the machine's
// key whose values the camera service adds when a camera arrives or leaves.
inline constexpr char kCameraListKeyName[] = "Devices";
inline constexpr char kCameraChangeKeyName[] = "CameraChange";

// Values of the machine's settings key.
inline constexpr char kWokeSystemValue[] = "CameraWokeSystem";
inline constexpr char kUserModeFlagsValue[] = "DebugUserMode";
inline constexpr char kUserModeFunctionFlagsValue[] = "DebugUserModeFunc";
inline constexpr char kUserModeErrorMaskValue[] = "DebugUserModeErr";
inline constexpr char kTwainInfoFlagsValue[] = "DebugTwainInfo";
inline constexpr char kTwainFunctionFlagsValue[] = "DebugTwainFunc";

// Bits of the user-mode error mask, which the frame path grows with each
// kind of failure it meets.
inline constexpr DWORD kCodecLoadError = 1;    // the JPEG codec library failed to load
inline constexpr DWORD kCodecFrameError = 16;  // the codec failed on a frame
inline constexpr DWORD kFrameSizeError = 32;   // a frame did not fit
inline constexpr DWORD kScalerLoadError = 64;  // the scaler failed to load or lacks an entry

// What each bit means, as service tools show it.
struct UserModeErrorBit {
    DWORD bit;
    const char* meaning;
};
inline constexpr UserModeErrorBit kUserModeErrorBits[] = {
    {kCodecLoadError, "the JPEG codec library failed to load"},
    {kCodecFrameError, "the codec failed on a frame"},
    {kFrameSizeError, "a frame did not fit (size mismatch)"},
    {kScalerLoadError, "the scaler plug-in failed to load or lacks an entry point"},
};

}  // namespace kmx
