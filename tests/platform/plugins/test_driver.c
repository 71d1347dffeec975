/* An installable driver for the driver services' tests. It reports each
 * message that Windows' sequence sends to the program (RecordDriverMessage),
 * and answers:
 * - DRV_LOAD with KMXTEST_LOAD_RESULT, DRV_OPEN with a fresh id from 0x100
 *   on, or 0 when lParam2 is KMXTEST_REFUSE_OPEN;
 * - DRV_USER with lParam1 + lParam2 and its own driver id (nothing
 *   reported);
 * - DRV_USER + 1 by opening the driver named by lParam1 (UTF-16), sending it
 *   DRV_USER with 2 and 3, closing it and answering what it answered. */
#include <windows.h>
#include <mmddk.h>

#include <stdio.h>

#include "module_events.h"

#define KMXTEST_REFUSE_OPEN 0xBAD

static LONG volatile next_id = 0xFF;

KMXTEST_EXPORT LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR hdrvr, UINT msg, LPARAM lParam1,
                                           LPARAM lParam2) {
    char text[300];
    char configuration[256] = "null";
    HDRVR other;
    LRESULT answer;
    switch (msg) {
        case DRV_LOAD:
            snprintf(text, sizeof text, "%s load %lu", KMXTEST_MODULE, (unsigned long)id);
            ReportDriverMessage(text);
            return KMXTEST_LOAD_RESULT;
        case DRV_ENABLE:
            snprintf(text, sizeof text, "%s enable %lu", KMXTEST_MODULE, (unsigned long)id);
            ReportDriverMessage(text);
            return 1;
        case DRV_OPEN:
            if (lParam1)
                WideCharToMultiByte(CP_ACP, 0, (LPCWSTR)lParam1, -1, configuration,
                                    sizeof configuration, NULL, NULL);
            snprintf(text, sizeof text, "%s open %s %ld", KMXTEST_MODULE, configuration,
                     (long)lParam2);
            ReportDriverMessage(text);
            return lParam2 == KMXTEST_REFUSE_OPEN ? 0 : InterlockedIncrement(&next_id);
        case DRV_CLOSE:
        case DRV_DISABLE:
        case DRV_FREE:
            snprintf(text, sizeof text, "%s %s %#lx", KMXTEST_MODULE,
                     msg == DRV_CLOSE     ? "close"
                     : msg == DRV_DISABLE ? "disable"
                                          : "free",
                     (unsigned long)id);
            ReportDriverMessage(text);
            return 1;
        case DRV_USER:
            return lParam1 + lParam2 + (LRESULT)id * 1000;
        case DRV_USER + 1:
            other = OpenDriver((LPCWSTR)lParam1, NULL, 0);
            if (!other) return -1;
            answer = SendDriverMessage(other, DRV_USER, 2, 3);
            CloseDriver(other, 0, 0);
            return answer;
        default:
            return DefDriverProc(id, hdrvr, msg, lParam1, lParam2);
    }
}
