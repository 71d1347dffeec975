#include "camera_change_notice.h"

namespace kmxcam {

// Both notices are registry writes under
// HKEY_LOCAL_MACHINE\Software\Brelix\USB Camera (KMX512): they are
// connected once the registry functions are part of the platform layer.
// Until then plugging and waking still work; only the watchers of those
// values are not told.

void NoteCameraArrival(const std::string&) {}

void NoteSystemWake() {}

}  // namespace kmxcam
