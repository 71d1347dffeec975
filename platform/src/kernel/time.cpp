// Tick counts and the system time.
#include <windows.h>

#include <time.h>

extern "C" {

ULONGLONG WINAPI GetTickCount64(void) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000 +
           static_cast<ULONGLONG>(now.tv_nsec) / 1000000;
}

// The low 32 bits of the 64-bit count, so it wraps exactly as Windows' does.
DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(GetTickCount64());
}

// FILETIME units (100 ns) between 1601-01-01 and 1970-01-01.
constexpr ULONGLONG kUnixEpochAsFileTime = 116444736000000000ULL;

void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
    if (!lpSystemTimeAsFileTime) return;
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    ULONGLONG value = kUnixEpochAsFileTime + static_cast<ULONGLONG>(now.tv_sec) * 10000000 +
                      static_cast<ULONGLONG>(now.tv_nsec) / 100;
    lpSystemTimeAsFileTime->dwLowDateTime = static_cast<DWORD>(value);
    lpSystemTimeAsFileTime->dwHighDateTime = static_cast<DWORD>(value >> 32);
}

}  // extern "C"
