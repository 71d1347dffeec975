// The capture lock: one camera at a time reserved, across processes, for the
// capture clients of the process that locked it.
#pragma once

#include <windows.h>

namespace kmx {

// The locked camera's connection id (0 when none is locked) and its identity
// words. A lock whose holder stopped refreshing it is cleared first.
DWORD QueryVfWLock(DWORD* identity1, DWORD* identity2);

}  // namespace kmx
