#include "kernel/runtime_dir.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kmxwin {
namespace {

bool MakeDirectories(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
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
    std::string path;
    if (const char* dir = getenv("KMX512_RUNTIME_DIR"); dir && *dir) {
        path = dir;
    } else if (const char* xdg = getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
        path = std::string(xdg) + "/kmx512";
    } else {
        path = "/tmp/kmx512-" + std::to_string(getuid());
    }
    if (subdirectory) path += std::string("/") + subdirectory;
    if (path.empty() || path[0] != '/' || !MakeDirectories(path)) {
        SetLastError(path.empty() || path[0] != '/' ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return {};
    }
    return path;
}

}  // namespace kmxwin
