/* How the test modules tell the program that loaded them about the calls of
 * their entry points: the program exports RecordModuleEvent, and a module
 * finds it through GetProcAddress of the program's module. */
#ifndef KMXTEST_MODULE_EVENTS_H
#define KMXTEST_MODULE_EVENTS_H

#include <windows.h>

#include <stdio.h>

#define KMXTEST_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*RECORD_MODULE_EVENT)(const char* module, HINSTANCE instance, DWORD reason,
                                    LPVOID reserved);

/* Defined by the program. */
KMXTEST_EXPORT void RecordModuleEvent(const char* module, HINSTANCE instance, DWORD reason,
                                      LPVOID reserved);

static inline void ReportModuleEvent(const char* module, HINSTANCE instance, DWORD reason,
                                     LPVOID reserved) {
    RECORD_MODULE_EVENT record = (RECORD_MODULE_EVENT)(void (*)(void))GetProcAddress(
        GetModuleHandleA(NULL), "RecordModuleEvent");
    if (record) record(module, instance, reason, reserved);
}

/* The test drivers and codecs report the messages they get to the program's
 * RecordDriverMessage in the same way. */
typedef void (*RECORD_DRIVER_MESSAGE)(const char* text);

static inline void ReportDriverMessage(const char* text) {
    RECORD_DRIVER_MESSAGE record = (RECORD_DRIVER_MESSAGE)(void (*)(void))GetProcAddress(
        GetModuleHandleA(NULL), "RecordDriverMessage");
    if (record) record(text);
}

/* One event as the tests compare it: "kmxtest_probe attach null". */
static inline void FormatModuleEvent(char* text, size_t size, const char* module, DWORD reason,
                                     LPVOID reserved) {
    snprintf(text, size, "%s %s %s", module, reason == DLL_PROCESS_ATTACH ? "attach" : "detach",
             reserved ? "non-null" : "null");
}

#ifdef __cplusplus
}
#endif

#endif
