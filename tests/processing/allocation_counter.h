// Counts the C++ allocations made on the calling thread, plug-ins included:
// the test program replaces the global operator new, which the plug-ins' own
// allocations bind to as well. Per thread, because the frame path is one
// thread's work while the library's other threads and the camera service
// embedded in the test allocate as they please.
#pragma once

#include <cstddef>

namespace kmxtest {

size_t AllocationCount();

}  // namespace kmxtest
