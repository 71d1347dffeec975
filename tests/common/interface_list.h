// The device interfaces a client sees under a class, through SetupDi*.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kmxtest {

// The interface paths registered under CLASS_GUID, in plug order.
std::vector<std::string> ListedInterfaces(const GUID& class_guid);

}  // namespace kmxtest
