#include "kernel/shared_file.h"

#include "kernel/lock_file.h"
#include "kernel/runtime_dir.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>

namespace kmxwin {
namespace {

// Letters, digits, '_' and '-' stand for themselves; every other byte
// (including '.', so no name can become "." or "..") is written as %XX.
std::string EscapedFileName(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (unsigned char c : name) {
        if (isalnum(c) || c == '_' || c == '-') {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 15];
        }
    }
    return escaped;
}

}  // namespace

SharedFileResult OpenSharedFile(const char* kind, const std::string& name, size_t size,
                                SharedFileOpen mode, const std::function<void(void*)>& initialise,
                                SharedFile& file) {
    SharedFileResult result;
    std::string directory = RuntimeDirectory(kind);
    if (directory.empty()) return {GetLastError(), false};
    std::string escaped = EscapedFileName(name);
    if (escaped.size() > NAME_MAX) return {ERROR_FILENAME_EXCED_RANGE, false};
    std::string path = directory + "/" + escaped;

    // Opening, clearing and locking must not interleave between openers.
    LockFile opener(directory + "/.lock");
    if (!opener.Held()) return {ErrorFromErrno(errno), false};
    int flags = O_RDWR | O_CLOEXEC | (mode == SharedFileOpen::CreateOrOpen ? O_CREAT : 0);
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0) return {ErrorFromErrno(errno), false};

    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Nobody alive has it: whatever the file holds is left over.
        if (mode == SharedFileOpen::OpenExisting) {
            unlink(path.c_str());
            close(fd);
            return {ERROR_FILE_NOT_FOUND, false};
        }
        if (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
            result.error = ErrorFromErrno(errno);
            close(fd);
            return result;
        }
    } else {
        struct stat status;
        if (fstat(fd, &status) != 0 || static_cast<size_t>(status.st_size) != size) {
            close(fd);
            return {ERROR_INVALID_PARAMETER, true};
        }
        result.existed = true;
    }
    // Converting to a shared lock is not atomic, which the opener lock
    // makes harmless.
    flock(fd, LOCK_SH);

    void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        result.error = ErrorFromErrno(errno);
        close(fd);
        return result;
    }
    if (!result.existed && initialise) initialise(base);
    file = SharedFile{fd, base, size};
    return result;
}

void CloseSharedFile(SharedFile& file) {
    if (file.base) munmap(file.base, file.size);
    if (file.fd >= 0) close(file.fd);
    file = SharedFile{};
}

}  // namespace kmxwin
