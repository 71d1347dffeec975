// Counts the C++ allocations of the whole process, plug-ins included: the
// test program replaces the global operator new, which the plug-ins' own
// allocations bind to as well.
#pragma once

#include <cstddef>

namespace kmxtest {

size_t AllocationCount();

}  // namespace kmxtest
