/* The registry: keys, values and change notification.
 *
 * HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are hive files, SQLite 3
 * databases named by KMX512_HKCU (default
 * ${XDG_CONFIG_HOME:-~/.config}/kmx512/HKCU.db) and KMX512_HKLM (default
 * /var/lib/kmx512/HKLM.db). A missing hive reads as an empty one; it and its
 * folder are created by the first call that writes. Any number of processes
 * may use one hive at once; every write is one committed transaction, visible
 * to every process when the call returns and kept through the crash of any
 * process (as with Windows' lazily flushed hives, only a power loss may take
 * back the last writes).
 *
 * Errors that Windows reports for its own hive files are used for ours:
 * - ERROR_BADDB: the file is not a hive (a damaged database or a foreign
 *   file). Calls on it fail and the file is never written.
 * - ERROR_CANTOPEN: the file cannot be opened at all (a directory, say).
 * - ERROR_REGISTRY_IO_FAILED: reading or writing the file failed (disk full,
 *   I/O error).
 * - ERROR_ACCESS_DENIED: the process may not write the hive file; requests
 *   for write access, key creation and writes through predefined keys fail
 *   with it, reads work.
 * - ERROR_KEY_DELETED: the key behind the handle was deleted (by any
 *   process).
 *
 * Where this differs from Windows:
 * - There is no security: a key's rights come from the hive file's
 *   permissions. A parent handle's own rights do not limit what may be
 *   created or deleted below it.
 * - Key and value names compare case-insensitively for the ASCII letters
 *   only; other bytes compare exactly.
 * - Key names longer than 255 characters and value names longer than 16383
 *   characters are refused with ERROR_INVALID_PARAMETER; a key path that
 *   starts with a backslash fails with ERROR_BAD_PATHNAME. Empty components
 *   (doubled or trailing backslashes) are skipped.
 * - Only REG_OPTION_NON_VOLATILE keys exist; other options fail with
 *   ERROR_NOT_SUPPORTED. The class string given to RegCreateKeyExA is not
 *   kept (RegEnumKeyExA reports an empty class).
 * - Sub-keys are enumerated in name order, values in name order.
 * - HKEY values are not kernel handles: CloseHandle does not close them.
 * - RegNotifyChangeKeyValue watches one key: bWatchSubtree TRUE fails with
 *   ERROR_NOT_SUPPORTED. REG_NOTIFY_CHANGE_ATTRIBUTES and
 *   REG_NOTIFY_CHANGE_SECURITY are accepted but never fire (keys have no
 *   attributes or security here). A watch is not tied to the thread that
 *   asked for it (as if REG_NOTIFY_THREAD_AGNOSTIC were always given): the
 *   thread's end does not signal it. Changes made by this process are
 *   reported before the writing call returns; changes made by other
 *   processes normally within milliseconds, at the latest within about a
 *   second. A synchronous wait that ends because its key was closed or
 *   deleted returns ERROR_SUCCESS. Watching a predefined key creates its
 *   hive file when missing.
 * - Only HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE exist among the predefined
 *   keys. */
#ifndef KMXWIN_WINREG_H
#define KMXWIN_WINREG_H

#include <minwinbase.h>

typedef LONG LSTATUS;
typedef ACCESS_MASK REGSAM;

DECLARE_HANDLE(HKEY);
typedef HKEY* PHKEY;

#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))

/* Key access rights. */
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_WOW64_RES 0x0300
#define KEY_READ                                                                      \
    ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & \
     (~SYNCHRONIZE))
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & (~SYNCHRONIZE))
#define KEY_EXECUTE ((KEY_READ) & (~SYNCHRONIZE))
#define KEY_ALL_ACCESS                                                             \
    ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | \
      KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK) &                     \
     (~SYNCHRONIZE))

/* Value types; values keep the type they were written with. */
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_FULL_RESOURCE_DESCRIPTOR 9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L

#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define REG_NOTIFY_CHANGE_NAME 0x00000001L
#define REG_NOTIFY_CHANGE_ATTRIBUTES 0x00000002L
#define REG_NOTIFY_CHANGE_LAST_SET 0x00000004L
#define REG_NOTIFY_CHANGE_SECURITY 0x00000008L
#define REG_NOTIFY_THREAD_AGNOSTIC 0x10000000L
#define REG_LEGAL_CHANGE_FILTER                                                           \
    (REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET | \
     REG_NOTIFY_CHANGE_SECURITY | REG_NOTIFY_THREAD_AGNOSTIC)

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI LSTATUS APIENTRY RegCloseKey(HKEY hKey);
WINBASEAPI LSTATUS APIENTRY RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved,
                                            LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                                            const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                            PHKEY phkResult, LPDWORD lpdwDisposition);
WINBASEAPI LSTATUS APIENTRY RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions,
                                          REGSAM samDesired, PHKEY phkResult);
WINBASEAPI LSTATUS APIENTRY RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
WINBASEAPI LSTATUS APIENTRY RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                          LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                          PFILETIME lpftLastWriteTime);
WINBASEAPI LSTATUS APIENTRY RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                             LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINBASEAPI LSTATUS APIENTRY RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                                           DWORD dwType, const BYTE* lpData, DWORD cbData);
WINBASEAPI LSTATUS APIENTRY RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
WINBASEAPI LSTATUS APIENTRY RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName,
                                          LPDWORD lpcchValueName, LPDWORD lpReserved,
                                          LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINBASEAPI LSTATUS APIENTRY RegNotifyChangeKeyValue(HKEY hKey, BOOL bWatchSubtree,
                                                    DWORD dwNotifyFilter, HANDLE hEvent,
                                                    BOOL fAsynchronous);

#ifdef __cplusplus
}
#endif

#ifndef KMXWIN_NO_ANSI_ALIASES
#define RegCreateKeyEx RegCreateKeyExA
#define RegOpenKeyEx RegOpenKeyExA
#define RegDeleteKey RegDeleteKeyA
#define RegEnumKeyEx RegEnumKeyExA
#define RegQueryValueEx RegQueryValueExA
#define RegSetValueEx RegSetValueExA
#define RegDeleteValue RegDeleteValueA
#define RegEnumValue RegEnumValueA
#endif

#endif
