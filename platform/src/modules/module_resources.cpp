// FindResource, LoadResource, LockResource and SizeofResource over the
// resources embedded in a module.
#include "modules/module_resources.h"

#include "modules/loaded_modules.h"

#include <link.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace kmxwin {
namespace {

constexpr char kNoteName[] = "KMXRES";
constexpr uint32_t kNoteType = 0x4B4D5852;

size_t AlignUp(size_t value) {
    return (value + 3) & ~size_t{3};
}

WORD ReadWord(const BYTE* p) {
    WORD value;
    memcpy(&value, p, sizeof value);
    return value;
}

DWORD ReadDword(const BYTE* p) {
    DWORD value;
    memcpy(&value, p, sizeof value);
    return value;
}

// Reads a type or name field of a resource header: 0xFFFF and a number, or a
// null-terminated UTF-16 string. Advances OFFSET; false past END.
bool ReadId(const BYTE* base, size_t end, size_t& offset, ResourceId& id) {
    if (offset + 2 > end) return false;
    if (ReadWord(base + offset) == 0xFFFF) {
        if (offset + 4 > end) return false;
        id.number = ReadWord(base + offset + 2);
        offset += 4;
        return true;
    }
    for (;;) {
        if (offset + 2 > end) return false;
        WORD c = ReadWord(base + offset);
        offset += 2;
        if (!c) return true;
        id.name.push_back(static_cast<char16_t>(c));
    }
}

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool SameId(const ResourceId& a, const ResourceId& b) {
    if (a.name.empty() != b.name.empty()) return false;
    if (a.name.empty()) return a.number == b.number;
    return std::equal(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                      [](char16_t x, char16_t y) { return Upper(x) == Upper(y); });
}

// What a caller passes as a type or name: a number, "#123", or a string.
template <class Char>
ResourceId IdOf(const Char* given) {
    ResourceId id;
    if (IS_INTRESOURCE(given)) {
        id.number = static_cast<WORD>(reinterpret_cast<uintptr_t>(given));
        return id;
    }
    if (given[0] == '#') {
        unsigned value = 0;
        for (const Char* p = given + 1; *p >= '0' && *p <= '9'; ++p)
            value = value * 10 + (*p - '0');
        id.number = static_cast<WORD>(value);
        return id;
    }
    for (const Char* p = given; *p; ++p)
        id.name.push_back(static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(*p)));
    return id;
}

// The parsed tables, by module and image, so that an HRSRC stays valid for
// as long as the module is loaded.
struct Catalogue {
    std::mutex lock;
    std::map<std::pair<HMODULE, const BYTE*>, std::unique_ptr<std::vector<ResourceEntry>>> tables;
};

Catalogue& Resources() {
    static auto* catalogue = new Catalogue;
    return *catalogue;
}

const std::vector<ResourceEntry>* TableOf(HMODULE module) {
    std::optional<std::span<const BYTE>> image = ModuleResourceData(module);
    if (!image) return nullptr;
    Catalogue& catalogue = Resources();
    std::lock_guard guard(catalogue.lock);
    auto& table = catalogue.tables[{module, image->data()}];
    if (!table) {
        std::optional<std::vector<ResourceEntry>> parsed = ParseResourceData(*image);
        if (!parsed) return nullptr;
        table = std::make_unique<std::vector<ResourceEntry>>(std::move(*parsed));
    }
    return table.get();
}

const ResourceEntry* EntryOf(HMODULE module, HRSRC resource) {
    const std::vector<ResourceEntry>* table = TableOf(module);
    if (!table || !resource) return nullptr;
    auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
    if (entry < table->data() || entry >= table->data() + table->size()) return nullptr;
    return entry;
}

HRSRC Find(HMODULE module, const ResourceId& name, const ResourceId& type) {
    if (!module) module = ProgramModule();
    if (!IsLoadedModule(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const std::vector<ResourceEntry>* table = TableOf(module);
    if (!table) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    bool type_found = false;
    for (const ResourceEntry& entry : *table) {
        if (!SameId(entry.type, type)) continue;
        type_found = true;
        if (SameId(entry.name, name))
            return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&entry));
    }
    SetLastError(type_found ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

}  // namespace

std::optional<std::vector<ResourceEntry>> ParseResourceData(std::span<const BYTE> image) {
    std::vector<ResourceEntry> entries;
    const BYTE* base = image.data();
    size_t offset = 0;
    while (offset + 8 <= image.size()) {
        DWORD data_size = ReadDword(base + offset);
        DWORD header_size = ReadDword(base + offset + 4);
        if (header_size < 16 || offset + header_size > image.size() ||
            data_size > image.size() - offset - header_size)
            return std::nullopt;
        size_t header_end = offset + header_size;
        size_t field = offset + 8;
        ResourceEntry entry{};
        if (!ReadId(base, header_end, field, entry.type) ||
            !ReadId(base, header_end, field, entry.name))
            return std::nullopt;
        field = AlignUp(field);
        // DataVersion, MemoryFlags, LanguageId, Version, Characteristics.
        if (field + 16 > header_end) return std::nullopt;
        entry.language = ReadWord(base + field + 6);
        entry.data = image.subspan(header_end, data_size);
        // The image begins with an empty entry that only marks the format.
        if (!(data_size == 0 && entry.type.name.empty() && entry.type.number == 0))
            entries.push_back(std::move(entry));
        offset = AlignUp(header_end + data_size);
    }
    return entries;
}

std::optional<std::span<const BYTE>> ModuleResourceData(HMODULE module) {
    std::optional<std::string> path = LoadedModulePath(module);
    if (!path) return std::nullopt;
    auto* map = reinterpret_cast<link_map*>(module);
    struct Search {
        ElfW(Addr) base;
        const std::string* path;
        std::optional<std::span<const BYTE>> found;
    } search{map->l_addr, &*path, std::nullopt};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) noexcept -> int {
            auto& search = *static_cast<Search*>(data);
            const char* name = info->dlpi_name ? info->dlpi_name : "";
            if (info->dlpi_addr != search.base || *search.path != name) return 0;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& header = info->dlpi_phdr[i];
                if (header.p_type != PT_NOTE) continue;
                auto* note = reinterpret_cast<const BYTE*>(info->dlpi_addr + header.p_vaddr);
                size_t size = header.p_memsz, offset = 0;
                while (offset + 12 <= size) {
                    DWORD name_size = ReadDword(note + offset);
                    DWORD desc_size = ReadDword(note + offset + 4);
                    DWORD type = ReadDword(note + offset + 8);
                    size_t name_at = offset + 12;
                    size_t desc_at = name_at + AlignUp(name_size);
                    if (desc_at + desc_size > size) break;
                    if (type == kNoteType && name_size == sizeof kNoteName &&
                        memcmp(note + name_at, kNoteName, sizeof kNoteName) == 0) {
                        search.found = std::span<const BYTE>(note + desc_at, desc_size);
                        return 1;
                    }
                    offset = desc_at + AlignUp(desc_size);
                }
            }
            return 1;
        },
        &search);
    return search.found;
}

}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Find(hModule, IdOf(lpName), IdOf(lpType));
}

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Find(hModule, IdOf(lpName), IdOf(lpType));
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    const ResourceEntry* entry = EntryOf(hModule ? hModule : ProgramModule(), hResInfo);
    if (!entry) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    // The data is mapped with the module; its address is its handle.
    return const_cast<BYTE*>(entry->data.data());
}

LPVOID WINAPI LockResource(HGLOBAL hResData) {
    return hResData;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    const ResourceEntry* entry = EntryOf(hModule ? hModule : ProgramModule(), hResInfo);
    if (!entry) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    return static_cast<DWORD>(entry->data.size());
}

BOOL WINAPI FreeResource(HGLOBAL hResData) {
    (void)hResData;  // resources live as long as their module
    return FALSE;
}

}  // extern "C"
