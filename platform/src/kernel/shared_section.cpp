// Data sections shared by every process (kmxwin/shared_section.h).
#include <kmxwin/shared_section.h>

#include <kmxwin/trace.h>

#include "kernel/shared_file.h"

#include <map>
#include <mutex>

namespace {

struct Mapping {
    std::string name;
    kmxwin::SharedFile file;
    int uses = 0;
};

struct Sections {
    std::mutex lock;
    std::map<void*, Mapping> by_address;
};

Sections& MappedSections() {
    static Sections* sections = new Sections;
    return *sections;
}

}  // namespace

extern "C" {

KMX_TRACED(kernel, LPVOID WINAPI, KmxWinMapSharedSection, (LPCSTR, name), (SIZE_T, size)) {
    if (!name || !*name || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Sections& sections = MappedSections();
    std::lock_guard guard(sections.lock);
    for (auto& [address, mapping] : sections.by_address) {
        if (mapping.name != name) continue;
        if (mapping.file.size != size) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        ++mapping.uses;
        return address;
    }
    Mapping mapping{name, {}, 1};
    kmxwin::SharedFileResult opened = kmxwin::OpenSharedFile(
        "sections", name, size, kmxwin::SharedFileOpen::CreateOrOpen, nullptr, mapping.file);
    if (opened.error != ERROR_SUCCESS) {
        SetLastError(opened.error);
        return nullptr;
    }
    void* address = mapping.file.base;
    sections.by_address.emplace(address, std::move(mapping));
    return address;
}

KMX_TRACED(kernel, BOOL WINAPI, KmxWinUnmapSharedSection, (LPVOID, address)) {
    Sections& sections = MappedSections();
    std::lock_guard guard(sections.lock);
    auto found = sections.by_address.find(address);
    if (found == sections.by_address.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (--found->second.uses == 0) {
        kmxwin::CloseSharedFile(found->second.file);
        sections.by_address.erase(found);
    }
    return TRUE;
}

}  // extern "C"
