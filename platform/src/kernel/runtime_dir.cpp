#include "kernel/runtime_dir.h"

#include <kmxwin/runtime_directory.h>

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace kmxwin {
namespace {

// The mode the directory must have, as XDG_RUNTIME_DIR has.
constexpr mode_t kPrivateMode = 0700;

std::string ConfiguredDirectory() {
    if (const char* dir = getenv("KMX512_RUNTIME_DIR"); dir && *dir) return dir;
    if (const char* xdg = getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
        return std::string(xdg) + "/kmx512";
    return "/tmp/kmx512-" + std::to_string(getuid());
}

// Makes the missing levels of PATH. The last one gets the private mode
// whatever the umask, when this call made it.
bool MakeDirectories(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), kPrivateMode) == 0) {
            if (slash == std::string::npos) return chmod(prefix.c_str(), kPrivateMode) == 0;
        } else if (errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

// Why PATH may not serve as the runtime directory; empty when it may. Not
// followed through a symbolic link: a link to a private directory is
// another user's way in as much as a shared directory is.
std::string Refusal(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return strerror(errno);
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(info.st_mode)) return "it is not a directory";
    if (info.st_uid != geteuid())
        return "it belongs to user " + std::to_string(info.st_uid) + ", not to this user (" +
               std::to_string(geteuid()) + ")";
    if ((info.st_mode & 07777) != kPrivateMode) {
        char mode[16];
        snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("its mode is ") + mode + ", not 0700";
    }
    return {};
}

// Tells the user once per process why the directory cannot be used: every
// named object and camera fails without it, and nothing else would say why.
void Report(const std::string& path, const std::string& reason) {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true)) return;
    std::string line = "kmx512: the runtime directory " + path + " cannot be used: " + reason +
                       " (it must be a directory of this user's with mode 0700; set "
                       "KMX512_RUNTIME_DIR to choose another)\n";
    ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
}

// The checked runtime directory; empty with the last error set.
std::string CheckedDirectory() {
    std::string path = ConfiguredDirectory();
    if (path[0] != '/') {
        Report(path, "it is not an absolute path");
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    if (!MakeDirectories(path)) {
        int error = errno;
        Report(path, strerror(error));
        SetLastError(ErrorFromErrno(error));
        return {};
    }
    if (std::string reason = Refusal(path); !reason.empty()) {
        Report(path, reason);
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return path;
}

}  // namespace

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        default:
            return ERROR_GEN_FAILURE;
    }
}

std::string RuntimeDirectory(const char* subdirectory) {
    std::string path = CheckedDirectory();
    if (path.empty() || !subdirectory) return path;
    // Inside a private directory nobody else can have made these.
    path += std::string("/") + subdirectory;
    if (!MakeDirectories(path)) {
        SetLastError(ErrorFromErrno(errno));
        return {};
    }
    return path;
}

}  // namespace kmxwin

extern "C" DWORD WINAPI KmxWinGetRuntimeDirectory(LPSTR buffer, DWORD size) {
    std::string path = kmxwin::RuntimeDirectory();
    if (path.empty()) return 0;
    if (!buffer || size < path.size() + 1) return static_cast<DWORD>(path.size() + 1);
    memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
