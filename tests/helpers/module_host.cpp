// A program that has kmxtest_linked mapped at its start, loads kmxtest_probe
// (from KMX512_PLUGIN_PATH) and exits with both loaded. It prints one line for
// each call of their entry points, and "loaded" or "error N" for its
// LoadLibraryA.
#include <windows.h>

#include <stdio.h>

#include "module_events.h"

extern "C" KMXTEST_EXPORT void RecordModuleEvent(const char* module, HINSTANCE, DWORD reason,
                                                 LPVOID reserved) {
    char text[256];
    FormatModuleEvent(text, sizeof text, module, reason, reserved);
    // Flushed at once: the exit's detaches come late in the process's exit.
    printf("%s\n", text);
    fflush(stdout);
}

int main() {
    if (LoadLibraryA("kmxtest_probe"))
        printf("loaded\n");
    else
        printf("error %u\n", GetLastError());
    return 0;
}
