#include "devices/interface_registry.h"

#include "kernel/lock_file.h"
#include "kernel/runtime_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace kmxwin {
namespace {

constexpr int kSequenceDigits = 12;

std::string GuidText(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

// The last sequence number handed out, kept in the registry's lock file.
unsigned long long NextSequence(const LockFile& lock) {
    char text[32] = {};
    ssize_t got = pread(lock.Fd(), text, sizeof text - 1, 0);
    unsigned long long last = got > 0 ? std::strtoull(text, nullptr, 10) : 0;
    std::string next = std::to_string(last + 1) + "\n";
    if (ftruncate(lock.Fd(), 0) != 0 || pwrite(lock.Fd(), next.data(), next.size(), 0) < 0)
        return 0;
    return last + 1;
}

bool IsLive(const std::string& file) {
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool live = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    return live;
}

std::optional<InterfaceRecord> ReadRecord(const std::string& file) {
    std::ifstream in(file);
    InterfaceRecord record;
    if (!std::getline(in, record.path) || !std::getline(in, record.socket)) return std::nullopt;
    return record;
}

// An open directory, closed however reading it ends (a failed allocation
// included).
using Directory = std::unique_ptr<DIR, int (*)(DIR*)>;

Directory OpenDirectory(const std::string& path) {
    return Directory(opendir(path.c_str()), closedir);
}

// The live records of one class directory in order; stale ones are removed.
std::vector<InterfaceRecord> ReadClass(const std::string& directory) {
    std::vector<std::string> names;
    if (Directory dir = OpenDirectory(directory)) {
        while (dirent* entry = readdir(dir.get())) {
            std::string name = entry->d_name;
            if (name.size() == kSequenceDigits && std::all_of(name.begin(), name.end(), ::isdigit))
                names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<InterfaceRecord> records;
    for (const std::string& name : names) {
        std::string file = directory + "/" + name;
        std::optional<InterfaceRecord> record = ReadRecord(file);
        if (!record) continue;
        if (IsLive(file)) {
            records.push_back(*record);
        } else {
            // Left by a process that died; its socket is dead too.
            unlink(record->socket.c_str());
            unlink(file.c_str());
        }
    }
    return records;
}

std::vector<std::string> ClassDirectories(const std::string& root) {
    std::vector<std::string> directories;
    if (Directory dir = OpenDirectory(root)) {
        while (dirent* entry = readdir(dir.get()))
            if (entry->d_name[0] == '{') directories.push_back(root + "/" + entry->d_name);
    }
    return directories;
}

bool SamePathIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::vector<InterfaceRecord> ListInterfaces(const GUID& class_guid) {
    std::string root = RuntimeDirectory("devices");
    if (root.empty()) return {};
    return ReadClass(root + "/" + GuidText(class_guid));
}

std::optional<InterfaceRecord> FindInterface(const std::string& full_path, std::string& suffix) {
    std::string root = RuntimeDirectory("devices");
    if (root.empty()) return std::nullopt;
    for (const std::string& directory : ClassDirectories(root)) {
        for (const InterfaceRecord& record : ReadClass(directory)) {
            if (full_path.size() < record.path.size() ||
                strncasecmp(full_path.data(), record.path.data(), record.path.size()) != 0)
                continue;
            std::string rest = full_path.substr(record.path.size());
            if (!rest.empty() && rest[0] != '\\') continue;
            suffix = rest;
            return record;
        }
    }
    return std::nullopt;
}

std::unique_ptr<InterfaceRegistration> InterfaceRegistration::Create(
    const GUID& class_guid, const std::string& path,
    const std::function<bool(const std::string& socket)>& listen) {
    if (path.empty() || path.find('\n') != std::string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string root = RuntimeDirectory("devices");
    if (root.empty()) return nullptr;
    std::string directory = RuntimeDirectory(("devices/" + GuidText(class_guid)).c_str());
    if (directory.empty()) return nullptr;

    // Registrations are serialised across processes, so that two never take
    // one path or one sequence number.
    LockFile lock(root + "/.lock");
    if (!lock.Held()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    for (const std::string& other : ClassDirectories(root)) {
        for (const InterfaceRecord& record : ReadClass(other)) {
            if (SamePathIgnoringCase(record.path, path)) {
                SetLastError(ERROR_ALREADY_EXISTS);
                return nullptr;
            }
        }
    }
    unsigned long long sequence = NextSequence(lock);
    if (sequence == 0) {
        SetLastError(ERROR_CANTWRITE);
        return nullptr;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%0*llu", kSequenceDigits, sequence);
    std::string file = directory + "/" + name;
    std::string socket = root + "/" + std::to_string(sequence) + ".sock";
    unlink(socket.c_str());
    if (!listen(socket)) return nullptr;

    // Written and locked under a temporary name, so that no reader ever
    // sees the record unlocked and takes it for a dead one.
    std::string temporary = file + ".new";
    int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        unlink(socket.c_str());
        return nullptr;
    }
    std::string content = path + "\n" + socket + "\n";
    if (flock(fd, LOCK_EX) != 0 ||
        write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()) ||
        rename(temporary.c_str(), file.c_str()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        close(fd);
        unlink(temporary.c_str());
        unlink(socket.c_str());
        return nullptr;
    }
    return std::unique_ptr<InterfaceRegistration>(new InterfaceRegistration(file, socket, fd));
}

InterfaceRegistration::~InterfaceRegistration() {
    unlink(file_.c_str());
    unlink(socket_.c_str());
    close(fd_);
}

}  // namespace kmxwin
