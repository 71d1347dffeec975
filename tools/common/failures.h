// Failures of the camera or its driver: the tools print what failed with the
// name of the status the library answered, and exit with 1.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace kmxtool {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The names of a debug interface status and of a programming interface
// status, as the library gives them.
std::string DebugStatusName(DWORD status);
std::string InterfaceStatusName(DWORD status);

// Throw a Failure "WHAT: NAME" unless STATUS is success.
void CheckDebug(DWORD status, const std::string& what);
void CheckInterface(DWORD status, const std::string& what);
// A failure of a Windows function, with its error code.
[[noreturn]] void FailSystem(const std::string& what, DWORD error);

// Tells that COMMAND of TOOL failed with MESSAGE: on the standard error and,
// with JSON, on the standard output as {"error": MESSAGE, "status": STATUS}
// as well. Written directly, so that another thread may report while the
// command's thread still writes.
void ReportFailure(const char* tool, const std::string& command, const std::string& message,
                   bool json, int status);

}  // namespace kmxtool
