/* The registry header compiles as C, and its functions are callable from C. */
#include <windows.h>

DWORD QueryTypeFromC(HKEY key, const char* name) {
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueEx(key, name, NULL, &type, NULL, &size) != ERROR_SUCCESS) return REG_NONE;
    return type;
}
