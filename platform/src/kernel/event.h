// Event objects, for the platform's own code that holds an event by its
// object rather than by a handle (a device connection signalling a client's
// event after the client's handle may be gone).
#pragma once

#include "kernel/kernel_object.h"

namespace kmxwin {

// Sets (or resets) OBJECT if it is an event; false otherwise.
bool SetEventObject(KernelObject& object, bool signalled = true);

}  // namespace kmxwin
