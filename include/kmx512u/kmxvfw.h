/* The capture driver of kmx512u as linking drivers and capture applications
 * see it: the entry points that a linking driver hands every driver message
 * to, the driver link record it passes with DRV_OPEN and DRV_CONFIGURE, and
 * the private messages and magic with which the library has the linking
 * driver deliver a stream's callbacks. Usable from C and C++. */
#ifndef KMX512U_KMXVFW_H
#define KMX512U_KMXVFW_H

#include <windows.h>

#include <kmx512u/kmx512u_export.h>

/* lParam1 of DRV_OPEN and DRV_CONFIGURE as the linking driver passes them
 * on. Laid out as this build lays out the five fields: 20 bytes on 32-bit
 * Windows; on 64-bit builds the name pointer is 8 bytes wide and aligned,
 * so the record is 32 bytes with the name at offset 16 and its length at
 * 24. */
typedef struct DriverLinkInfo {
    DWORD reserved;
    /* The camera identity the client asks for; both 0: any camera. */
    DWORD identity2;
    DWORD identity1;
    /* The linking driver's name, under which the library opens it again for
     * a stream's callbacks, and its length (below KMXVFW_DRIVER_NAME_LIMIT). */
    LPCSTR name;
    DWORD name_length;
} DriverLinkInfo;

#ifdef __cplusplus
static_assert(sizeof(void*) == 8 ? sizeof(DriverLinkInfo) == 32 &&
                                       __builtin_offsetof(DriverLinkInfo, name) == 16 &&
                                       __builtin_offsetof(DriverLinkInfo, name_length) == 24
                                 : sizeof(DriverLinkInfo) == 20 &&
                                       __builtin_offsetof(DriverLinkInfo, name) == 12 &&
                                       __builtin_offsetof(DriverLinkInfo, name_length) == 16,
              "DriverLinkInfo");
static_assert(__builtin_offsetof(DriverLinkInfo, identity2) == 4 &&
                  __builtin_offsetof(DriverLinkInfo, identity1) == 8,
              "DriverLinkInfo");
#endif

/* The same record as a 16-bit linking driver builds it in 16-bit memory:
 * the name is a 16:16 address. 20 bytes on every build. */
typedef struct DriverLinkInfo16 {
    DWORD reserved;
    DWORD identity2;
    DWORD identity1;
    DWORD name;
    DWORD name_length;
} DriverLinkInfo16;

#ifdef __cplusplus
static_assert(sizeof(DriverLinkInfo16) == 20 && __builtin_offsetof(DriverLinkInfo16, name) == 12,
              "DriverLinkInfo16");
#endif

/* The module of the 32-bit linking driver, as capture applications and the
 * Drivers32 aliases name it. */
#define KMXVFW32_LINKING_DRIVER "kmxvfw32.dll"
/* The module of the 16-bit linking driver's stand-in: the installable
 * driver through which a program acts as a 16-bit capture client. */
#define KMXVFW16_LINKING_DRIVER "kmxvfw16.dll"

/* A linking driver's name is shorter than this. */
#define KMXVFW_DRIVER_NAME_LIMIT 14

/* The instance id of an open without open parameters (configuration only). */
#define KMXVFW_CONFIGURATION_INSTANCE 0xFFFF

/* lParam2 of the private messages, and the last argument of the library's
 * OpenDriver and CloseDriver of the linking driver: the bytes "KMX" and a
 * zero byte. */
#define KMXVFW_MAGIC 0x00584D4B

/* The private messages, each with the stream's callback record as lParam1:
 * the linking driver delivers MM_DRVM_OPEN, MM_DRVM_CLOSE, MM_DRVM_DATA and
 * MM_DRVM_ERROR to the client. It must answer KMXVFW_STREAM_OPEN with a
 * non-zero value to accept the stream. */
#define KMXVFW_STREAM_OPEN (DRV_USER + 0)
#define KMXVFW_STREAM_CLOSE (DRV_USER + 1)
#define KMXVFW_STREAM_DATA (DRV_USER + 2)
#define KMXVFW_STREAM_ERROR (DRV_USER + 3)

/* lParam1 of the private messages: the stream's callback record. The first
 * five fields are VIDEO_STREAM_INIT_PARMS as the client gave them; the last
 * is the message's parameter: the header's callback address for
 * KMXVFW_STREAM_DATA, the skipped-frame count for KMXVFW_STREAM_ERROR, else
 * 0. Six 32-bit words, 24 bytes, on 32-bit Windows; on 64-bit builds the
 * pointer-sized fields are 8 bytes wide and aligned (48 bytes). */
typedef struct StreamCallbackRecord {
    DWORD microseconds_per_frame;
    DWORD_PTR callback;
    DWORD_PTR callback_instance;
    DWORD flags; /* CALLBACK_ type */
    HANDLE video;
    DWORD_PTR parameter;
} StreamCallbackRecord;

#ifdef __cplusplus
static_assert(sizeof(void*) == 8 ? sizeof(StreamCallbackRecord) == 48 &&
                                       __builtin_offsetof(StreamCallbackRecord, parameter) == 40
                                 : sizeof(StreamCallbackRecord) == 24 &&
                                       __builtin_offsetof(StreamCallbackRecord, flags) == 12 &&
                                       __builtin_offsetof(StreamCallbackRecord, parameter) == 20,
              "StreamCallbackRecord");
#endif

/* lParam1 of the private messages for a 16-bit client is the 16:16 address
 * of the record in 16-bit memory, laid out as 16-bit code reads it: six
 * 32-bit words, 24 bytes, on every build. */
typedef struct StreamCallbackRecord16 {
    DWORD microseconds_per_frame;
    DWORD callback;
    DWORD callback_instance;
    DWORD flags;
    DWORD video;
    DWORD parameter;
} StreamCallbackRecord16;

#ifdef __cplusplus
static_assert(sizeof(StreamCallbackRecord16) == 24 &&
                  __builtin_offsetof(StreamCallbackRecord16, parameter) == 20,
              "StreamCallbackRecord16");
#endif

/* The exports of the 16-bit client path, which take the standard calling
 * convention. 32-bit Windows decorates their names with the argument bytes
 * ("_DLL32_VFW16DriverProc@20"); 64-bit builds, Windows and ELF alike, name
 * them undecorated (an ELF name cannot carry the '@', which marks a symbol
 * version there). Look them up by these names. */
#if defined(_WIN32) && !defined(_WIN64)
#define KMXVFW16_DRIVERPROC_EXPORT "_DLL32_VFW16DriverProc@20"
#define KMXVFW16_TRACE_EXPORT "_DLL32_TraceVfW16Msg@4"
#define KMXVFW16_DEBUGTEXT_EXPORT "_DLL32_DebugText@4"
#else
#define KMXVFW16_DRIVERPROC_EXPORT "DLL32_VFW16DriverProc"
#define KMXVFW16_TRACE_EXPORT "DLL32_TraceVfW16Msg"
#define KMXVFW16_DEBUGTEXT_EXPORT "DLL32_DebugText"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The 32-bit clients' entry point: the driver message as the linking driver
 * received it. The caller removes the arguments. */
KMX512U_API LRESULT KMXVFW32_DriverProc(DWORD_PTR instance, HDRVR driver, UINT message,
                                        LPARAM lParam1, LPARAM lParam2);
/* The 16-bit clients' entry point, with 16:16 addresses in the parameters. */
KMX512U_API LRESULT WINAPI DLL32_VFW16DriverProc(DWORD instance, DWORD driver, UINT message,
                                                 DWORD lParam1, DWORD lParam2);

/* For linking drivers to link against; they do nothing. */
KMX512U_API void KMXVFW32_TraceMessage(void);
KMX512U_API void KMXVFW32_DebugText(void);
KMX512U_API void WINAPI DLL32_TraceVfW16Msg(DWORD ignored);
KMX512U_API void WINAPI DLL32_DebugText(DWORD ignored);

#ifdef __cplusplus
}
#endif

#endif
