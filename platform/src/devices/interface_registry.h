// Device interfaces registered by the processes that serve them, kept as
// files in the runtime directory: devices/<class GUID>/<sequence number>,
// each holding the interface path and the socket it is served on. The
// sequence number gives the order of registration (plug order). A serving
// process holds an exclusive lock on its file, so a registration whose
// process has died in any way is recognised and removed.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kmxwin {

struct InterfaceRecord {
    std::string path;
    std::string socket;
};

// The live interfaces of CLASS_GUID in registration order.
std::vector<InterfaceRecord> ListInterfaces(const GUID& class_guid);

// The live interface (of any class) whose path begins FULL_PATH, followed
// by nothing or by a backslash; the rest of FULL_PATH goes to SUFFIX. Paths
// compare without regard to case, as Windows paths do.
std::optional<InterfaceRecord> FindInterface(const std::string& full_path, std::string& suffix);

class InterfaceRegistration {
  public:
    // Registers PATH under CLASS_GUID. LISTEN is given the socket path to
    // serve it on and starts listening there before the interface becomes
    // visible; it answers false (with the last error set) to give up.
    // nullptr with the last error set on failure (ERROR_ALREADY_EXISTS for a
    // path that a live interface has).
    static std::unique_ptr<InterfaceRegistration> Create(
        const GUID& class_guid, const std::string& path,
        const std::function<bool(const std::string& socket)>& listen);
    ~InterfaceRegistration();
    const std::string& Socket() const { return socket_; }

  private:
    InterfaceRegistration(std::string file, std::string socket, int fd)
        : file_(std::move(file)), socket_(std::move(socket)), fd_(fd) {}
    std::string file_;
    std::string socket_;
    int fd_;
};

}  // namespace kmxwin
