// Reading, writing, deleting and enumerating values.
#include "registry/key_table.h"

#include <kmxwin/trace.h>

#include <cstring>

using namespace kmxwin::registry;

namespace {

constexpr size_t kMaxValueName = 16383;

// A null value name means the key's default value, whose name is empty.
LPCSTR ValueName(LPCSTR name) {
    return name ? name : "";
}

}  // namespace

extern "C" {

KMX_TRACED(registry, LSTATUS APIENTRY, RegQueryValueExA, (HKEY, hKey), (LPCSTR, lpValueName),
           (LPDWORD, lpReserved), (LPDWORD, lpType), (LPBYTE, lpData), (LPDWORD, lpcbData)) {
    std::shared_ptr<KeyObject> key;
    DWORD error = ReferenceKey(hKey, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) return error;
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return key->hive->QueryValue(key->id, ValueName(lpValueName), lpType, lpData, lpcbData);
}

KMX_TRACED(registry, LSTATUS APIENTRY, RegSetValueExA, (HKEY, hKey), (LPCSTR, lpValueName),
           ([[maybe_unused]] DWORD, Reserved), (DWORD, dwType), (const BYTE*, lpData),
           (DWORD, cbData)) {
    std::shared_ptr<KeyObject> key;
    DWORD error = ReferenceKey(hKey, KEY_SET_VALUE, &key);
    if (error != ERROR_SUCCESS) return error;
    if (!lpData && cbData) return ERROR_NOACCESS;
    LPCSTR name = ValueName(lpValueName);
    if (strlen(name) > kMaxValueName) return ERROR_INVALID_PARAMETER;
    return key->hive->SetValue(key->id, name, dwType, lpData, cbData);
}

KMX_TRACED(registry, LSTATUS APIENTRY, RegDeleteValueA, (HKEY, hKey), (LPCSTR, lpValueName)) {
    std::shared_ptr<KeyObject> key;
    DWORD error = ReferenceKey(hKey, KEY_SET_VALUE, &key);
    if (error != ERROR_SUCCESS) return error;
    return key->hive->DeleteValue(key->id, ValueName(lpValueName));
}

KMX_TRACED(registry, LSTATUS APIENTRY, RegEnumValueA, (HKEY, hKey), (DWORD, dwIndex),
           (LPSTR, lpValueName), (LPDWORD, lpcchValueName), (LPDWORD, lpReserved),
           (LPDWORD, lpType), (LPBYTE, lpData), (LPDWORD, lpcbData)) {
    std::shared_ptr<KeyObject> key;
    DWORD error = ReferenceKey(hKey, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) return error;
    if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    return key->hive->EnumValue(*key, dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                                lpcbData);
}

}  // extern "C"
