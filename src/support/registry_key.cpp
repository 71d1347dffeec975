#include "support/registry_key.h"

#include <cstring>
#include <new>

namespace kmx {
namespace {

// Sub-key names are read into buffers of these sizes (in characters).
constexpr DWORD kOpenSubKeyNameChars = 128;
constexpr DWORD kHasSubKeyNameChars = 256;

HKEY OpenKey(HKEY root, LPCSTR path, bool create, bool read_only) {
    REGSAM access = read_only ? KEY_READ : KEY_ALL_ACCESS;
    HKEY handle = nullptr;
    char no_class[] = "";
    LSTATUS status = create ? RegCreateKeyExA(root, path, 0, no_class, REG_OPTION_NON_VOLATILE,
                                              access, nullptr, &handle, nullptr)
                            : RegOpenKeyExA(root, path, 0, access, &handle);
    return status == ERROR_SUCCESS ? handle : nullptr;
}

}  // namespace

RegistryKey::RegistryKey(HKEY root, LPCSTR path, bool create, bool read_only)
    : handle_(OpenKey(root, path, create, read_only)) {}

RegistryKey::RegistryKey(const RegistryKey& parent, LPCSTR path, bool read_only)
    : handle_(OpenKey(parent.handle_, path, true, read_only)) {}

void RegistryKey::Close() {
    if (!handle_) return;
    // Runs in the destructor, also while an allocation failure unwinds: a
    // close that itself runs short must not throw on top of it.
    try {
        RegCloseKey(handle_);
    } catch (...) {
    }
    handle_ = nullptr;
}

int RegistryKey::HasSubKey(LPCSTR name) const {
    if (!handle_ || !name) return 0;
    char found[kHasSubKeyNameChars];
    for (DWORD index = 0;; ++index) {
        DWORD size = kHasSubKeyNameChars;
        if (RegEnumKeyExA(handle_, index, found, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return 0;
        if (strcmp(found, name) == 0) return 1;
    }
}

DWORD RegistryKey::SubKeyName(DWORD index, LPSTR name, DWORD size) const {
    if (!handle_ || !name) return 0;
    DWORD length = size;
    if (RegEnumKeyExA(handle_, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return 0;
    return length;
}

int RegistryKey::OpenSubKeyAt(DWORD index, std::unique_ptr<RegistryKey>* key, bool create,
                              bool read_only) const {
    char name[kOpenSubKeyNameChars];
    return OpenSubKeyAt(index, key, name, kOpenSubKeyNameChars, create, read_only) ? 1 : 0;
}

DWORD RegistryKey::OpenSubKeyAt(DWORD index, std::unique_ptr<RegistryKey>* key, LPSTR name,
                                DWORD size, bool create, bool read_only) const {
    if (!key) return 0;
    DWORD length = SubKeyName(index, name, size);
    if (length == 0) return 0;
    key->reset(new (std::nothrow) RegistryKey(handle_, name, create, read_only));
    return *key ? length : 0;
}

// Reads NAME, of at most CAPACITY bytes, when it has TYPE. The value goes to
// a buffer of our own so that a failed read never touches the caller's.
std::optional<std::vector<BYTE>> RegistryKey::Read(LPCSTR name, DWORD type, DWORD capacity) const {
    if (!handle_) return std::nullopt;
    // Never a null buffer, for which the system would only report the size.
    std::vector<BYTE> data;
    try {
        data.resize(size_t{capacity} + 1);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    DWORD stored_type = REG_NONE;
    DWORD size = capacity;
    if (RegQueryValueExA(handle_, name, nullptr, &stored_type, data.data(), &size) !=
            ERROR_SUCCESS ||
        stored_type != type)
        return std::nullopt;
    data.resize(size);
    return data;
}

DWORD RegistryKey::QueryString(LPCSTR name, LPSTR buffer, DWORD size) const {
    if (!buffer || size == 0) return 0;
    std::optional<std::vector<BYTE>> text = Read(name, REG_SZ, size);
    if (!text) return 0;
    // A string written without its terminator gets one, if it fits: callers
    // use the buffer as a C string.
    if (text->empty() || text->back() != '\0') {
        if (text->size() >= size) return 0;
        text->push_back('\0');
    }
    memcpy(buffer, text->data(), text->size());
    return static_cast<DWORD>(text->size());
}

int RegistryKey::QueryDword(LPCSTR name, DWORD* value) const {
    if (!value) return 0;
    std::optional<std::vector<BYTE>> data = Read(name, REG_DWORD, sizeof *value);
    if (!data || data->size() != sizeof *value) return 0;
    memcpy(value, data->data(), sizeof *value);
    return 1;
}

int RegistryKey::QueryBinary(LPCSTR name, void* buffer, DWORD size) const {
    if (!buffer) return 0;
    std::optional<std::vector<BYTE>> data = Read(name, REG_BINARY, size);
    if (!data || data->size() != size) return 0;
    memcpy(buffer, data->data(), size);
    return 1;
}

int RegistryKey::Write(LPCSTR name, DWORD type, const void* data, DWORD size) {
    if (!handle_) return 0;
    return RegSetValueExA(handle_, name, 0, type, static_cast<const BYTE*>(data), size) ==
                   ERROR_SUCCESS
               ? 1
               : 0;
}

int RegistryKey::SetString(LPCSTR name, LPCSTR text) {
    if (!text) return 0;
    return Write(name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

int RegistryKey::SetDword(LPCSTR name, DWORD value) {
    return Write(name, REG_DWORD, &value, sizeof value);
}

int RegistryKey::SetBinary(LPCSTR name, const void* data, DWORD size) {
    return Write(name, REG_BINARY, data, size);
}

int RegistryKey::DeleteValue(LPCSTR name) {
    if (!handle_) return 0;
    return RegDeleteValueA(handle_, name) == ERROR_SUCCESS ? 1 : 0;
}

int RegistryKey::WaitForChange() {
    return RegNotifyChangeKeyValue(handle_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, nullptr, FALSE) ==
                   ERROR_SUCCESS
               ? 1
               : 0;
}

int RegistryKey::NotifyChange(HANDLE event) {
    if (!handle_ || !event) return 0;
    return RegNotifyChangeKeyValue(handle_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE) ==
                   ERROR_SUCCESS
               ? 1
               : 0;
}

}  // namespace kmx
