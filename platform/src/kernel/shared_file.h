// Files in the runtime directory that every process maps, with a lifetime
// like a named kernel object's: the file's contents count as existing only
// while some live process has it open. Each process that has it open holds a
// shared flock on it, which the system drops when the process ends in any
// way; whoever opens the file while nobody holds that lock starts it afresh.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kmxwin {

struct SharedFile {
    int fd = -1;
    void* base = nullptr;
    size_t size = 0;
};

enum class SharedFileOpen { CreateOrOpen, OpenExisting };

struct SharedFileResult {
    DWORD error = ERROR_SUCCESS;
    bool existed = false;  // live users had it open already
};

// Opens the shared file NAME (any text; it is escaped into a file name) of
// SIZE bytes in the runtime subdirectory KIND and maps it. A file that no live
// process has open is cleared to SIZE zero bytes and handed to INITIALISE
// before any other process can open it; with OpenExisting it is reported as
// ERROR_FILE_NOT_FOUND instead. A live file of another size answers
// ERROR_INVALID_PARAMETER.
SharedFileResult OpenSharedFile(const char* kind, const std::string& name, size_t size,
                                SharedFileOpen mode, const std::function<void(void*)>& initialise,
                                SharedFile& file);

// Unmaps and closes FILE, giving up this process's use of it.
void CloseSharedFile(SharedFile& file);

}  // namespace kmxwin
