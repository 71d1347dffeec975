// Opening, creating, closing, deleting and enumerating keys.
#include "registry/key_table.h"

#include <kmxwin/trace.h>

#include <cstring>

namespace kmxwin::registry {
namespace {

constexpr size_t kMaxKeyName = 255;

// Splits a key path at its backslashes. A null path is the empty path.
DWORD SplitKeyPath(LPCSTR path, KeyPath* names) {
    if (!path) return ERROR_SUCCESS;
    if (*path == '\\') return ERROR_BAD_PATHNAME;
    for (const char* at = path; *at;) {
        const char* end = strchrnul(at, '\\');
        size_t length = static_cast<size_t>(end - at);
        if (length > kMaxKeyName) return ERROR_INVALID_PARAMETER;
        if (length) names->emplace_back(at, length);
        at = *end ? end + 1 : end;
    }
    return ERROR_SUCCESS;
}

DWORD OpenHandle(Hive* hive, KeyId id, ACCESS_MASK access, size_t depth, PHKEY result) {
    HKEY handle = InsertKey(std::make_shared<KeyObject>(hive, id, access, depth));
    if (!handle) return ERROR_NOT_ENOUGH_MEMORY;
    *result = handle;
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace kmxwin::registry

using namespace kmxwin::registry;

extern "C" {

KMX_TRACED(registry, LSTATUS APIENTRY, RegOpenKeyExA, (HKEY, hKey), (LPCSTR, lpSubKey),
           (DWORD, ulOptions), (REGSAM, samDesired), (PHKEY, phkResult)) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::shared_ptr<KeyObject> base;
    DWORD error = ReferenceKey(hKey, 0, &base);
    if (error != ERROR_SUCCESS) return error;
    if (ulOptions != 0) return ERROR_INVALID_PARAMETER;
    KeyPath path;
    error = SplitKeyPath(lpSubKey, &path);
    if (error != ERROR_SUCCESS) return error;
    if (path.empty() && IsPredefinedKey(hKey)) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    KeyId id;
    ACCESS_MASK access;
    error = base->hive->FindKey(base->id, path, &id);
    if (error == ERROR_SUCCESS) error = GrantAccess(*base->hive, samDesired, &access);
    if (error == ERROR_SUCCESS)
        error = OpenHandle(base->hive, id, access, base->depth + path.size(), phkResult);
    return error;
}

KMX_TRACED(registry, LSTATUS APIENTRY, RegCreateKeyExA, (HKEY, hKey), (LPCSTR, lpSubKey),
           ([[maybe_unused]] DWORD, Reserved), ([[maybe_unused]] LPSTR, lpClass),
           (DWORD, dwOptions), (REGSAM, samDesired),
           ([[maybe_unused]] const LPSECURITY_ATTRIBUTES, lpSecurityAttributes), (PHKEY, phkResult),
           (LPDWORD, lpdwDisposition)) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::shared_ptr<KeyObject> base;
    DWORD error = ReferenceKey(hKey, 0, &base);
    if (error != ERROR_SUCCESS) return error;
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    if (dwOptions != REG_OPTION_NON_VOLATILE) return ERROR_NOT_SUPPORTED;
    KeyPath path;
    error = SplitKeyPath(lpSubKey, &path);
    if (error != ERROR_SUCCESS) return error;
    // Keys that exist deeper (made before the limit was kept) can still be
    // opened, listed and deleted; none is made there.
    if (base->depth + path.size() > kMaxKeyDepth) return ERROR_FILENAME_EXCED_RANGE;
    KeyId id;
    bool created = false;
    ACCESS_MASK access;
    error = base->hive->CreateKey(base->id, path, &id, &created);
    if (error == ERROR_SUCCESS) error = GrantAccess(*base->hive, samDesired, &access);
    if (error == ERROR_SUCCESS)
        error = OpenHandle(base->hive, id, access, base->depth + path.size(), phkResult);
    if (error == ERROR_SUCCESS && lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return error;
}

KMX_TRACED(registry, LSTATUS APIENTRY, RegCloseKey, (HKEY, hKey)) {
    if (IsPredefinedKey(hKey)) return ERROR_SUCCESS;
    std::shared_ptr<KeyObject> object = RemoveKey(hKey);
    if (!object) return ERROR_INVALID_HANDLE;
    // Completes the handle's change notifications, as Windows does.
    object->hive->EndWatch(*object);
    return ERROR_SUCCESS;
}

KMX_TRACED(registry, LSTATUS APIENTRY, RegDeleteKeyA, (HKEY, hKey), (LPCSTR, lpSubKey)) {
    std::shared_ptr<KeyObject> base;
    DWORD error = ReferenceKey(hKey, 0, &base);
    if (error != ERROR_SUCCESS) return error;
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    KeyPath path;
    error = SplitKeyPath(lpSubKey, &path);
    if (error != ERROR_SUCCESS) return error;
    // Deleting the handle's own key needs the handle's DELETE right; a
    // sub-key is opened for deletion by the call itself.
    if (path.empty() && !(base->access & DELETE)) return ERROR_ACCESS_DENIED;
    return base->hive->DeleteKey(base->id, path);
}

KMX_TRACED(registry, LSTATUS APIENTRY, RegEnumKeyExA, (HKEY, hKey), (DWORD, dwIndex),
           (LPSTR, lpName), (LPDWORD, lpcchName), (LPDWORD, lpReserved), (LPSTR, lpClass),
           (LPDWORD, lpcchClass), (PFILETIME, lpftLastWriteTime)) {
    std::shared_ptr<KeyObject> key;
    DWORD error = ReferenceKey(hKey, KEY_ENUMERATE_SUB_KEYS, &key);
    if (error != ERROR_SUCCESS) return error;
    if (lpReserved || !lpName || !lpcchName || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    error = key->hive->EnumKey(*key, dwIndex, lpName, lpcchName, lpftLastWriteTime);
    if (error != ERROR_SUCCESS || !lpClass) return error;
    // Classes are not kept: every key's class is empty.
    if (*lpcchClass == 0) return ERROR_MORE_DATA;
    *lpClass = '\0';
    *lpcchClass = 0;
    return ERROR_SUCCESS;
}

}  // extern "C"
