#include "failures.h"

#include <kmx512u/kmxdebug.h>
#include <kmx512u/kmxpi.h>

#include <unistd.h>

#include "json.h"

namespace kmxtool {
namespace {

// A code the library has no name for is shown as a number.
std::string Numbered(DWORD status) {
    char text[16];
    snprintf(text, sizeof text, "0x%04lX", static_cast<unsigned long>(status));
    return text;
}

}  // namespace

std::string DebugStatusName(DWORD status) {
    char text[64];
    if (KMXDebug_GetStatusText(status, text, sizeof text) != KMXDEBUG_STATUS_SUCCESS)
        return Numbered(status);
    return text;
}

std::string InterfaceStatusName(DWORD status) {
    char text[64];
    if (KMXPI_GetErrorText(status, text, sizeof text) != KMXPI_STATUS_SUCCESS || !text[0])
        return Numbered(status);
    return text;
}

void CheckDebug(DWORD status, const std::string& what) {
    if (status != KMXDEBUG_STATUS_SUCCESS) throw Failure(what + ": " + DebugStatusName(status));
}

void CheckInterface(DWORD status, const std::string& what) {
    if (status != KMXPI_STATUS_SUCCESS) throw Failure(what + ": " + InterfaceStatusName(status));
}

void FailSystem(const std::string& what, DWORD error) {
    throw Failure(what + ": Windows error " + std::to_string(error));
}

void ReportFailure(const char* tool, const std::string& command, const std::string& message,
                   bool json, int status) {
    std::string line = std::string(tool) + " " + command + ": " + message + "\n";
    ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    if (json) {
        line = Json::Object().Add("error", message).Add("status", status).Text() + "\n";
        ignored = write(STDOUT_FILENO, line.data(), line.size());
    }
    (void)ignored;
}

}  // namespace kmxtool
