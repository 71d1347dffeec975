/* The camera programming interface of kmx512u. Every function answers one
 * of the KMXPI_STATUS_* codes and leaves its arguments for the caller to
 * remove. Usable from C and C++. */
#ifndef KMX512U_KMXPI_H
#define KMX512U_KMXPI_H

#include <windows.h>

#include <kmx512u/kmx512u_export.h>

#define KMXPI_STATUS_SUCCESS 0x00
#define KMXPI_STATUS_INVALID_STATUS 0x01
#define KMXPI_STATUS_BAD_PARAMETER 0x02
#define KMXPI_STATUS_BUFFER_TOO_SMALL 0x03
#define KMXPI_STATUS_BUFFER_TOO_LARGE 0x04
#define KMXPI_STATUS_NULL_POINTER 0x05
#define KMXPI_STATUS_ALLOC_FAILED 0x06
#define KMXPI_STATUS_DRIVER_VERSION_MISMATCH 0x07
#define KMXPI_STATUS_ALREADY_LOCKED 0x08
#define KMXPI_STATUS_NOT_IMPLEMENTED 0x09
#define KMXPI_STATUS_CAMERA_NOT_FOUND 0x10
#define KMXPI_STATUS_CAMERA_REMOVED 0x11
#define KMXPI_STATUS_CAMERA_ERROR 0x12
#define KMXPI_STATUS_BAD_GUID 0x20
#define KMXPI_STATUS_BAD_ID 0x21
#define KMXPI_STATUS_IN_USE 0x30

/* The interface version that the library and the camera's driver share. */
#define KMXPI_INTERFACE_VERSION 0x0215

/* Property sets and the notification set, with the ids in use. */
#if defined(__cplusplus)
#define KMXPI_GUID(name, d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7) \
    inline constexpr GUID name = {d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}}
#else
#define KMXPI_GUID(name, d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7) \
    static const GUID name __attribute__((unused)) = {d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}}
#endif

/* {2BBD8342-6AA2-11D3-A076-00A024AD71C2}: the camera's own settings. */
KMXPI_GUID(KMXPI_PROPSET_CAMERA, 0x2BBD8342, 0x6AA2, 0x11D3, 0xA0, 0x76, 0x00, 0xA0, 0x24, 0xAD,
           0x71, 0xC2);
#define KMXPI_CAMERA_FIRMWARE_VERSION 0   /* 2 bytes, read-only */
#define KMXPI_CAMERA_SENSOR_TYPE 1        /* 2 bytes, read-only */
#define KMXPI_CAMERA_INFORMATION_TEXT 2   /* 32 bytes, zero-terminated */
#define KMXPI_CAMERA_FLIP 4               /* 1 byte, 0 or 1 */
#define KMXPI_CAMERA_MIRROR 5             /* 1 byte, 0 or 1 */
#define KMXPI_CAMERA_BANDING_FREQUENCY 6  /* 1 byte: 1 for 50 Hz, 0 for 60 Hz */
#define KMXPI_CAMERA_IMAGE_SIZE 7         /* 8 bytes: width, height */
#define KMXPI_CAMERA_SPEED_LIGHT_CAPS 8   /* 1 byte, read-only */
#define KMXPI_CAMERA_SPEED_LIGHT 9        /* 1 byte */
#define KMXPI_CAMERA_PAN_TILT_LIMITS 10   /* 16 bytes, read-only */
#define KMXPI_CAMERA_PAN_TILT 11          /* 8 bytes */
#define KMXPI_CAMERA_ZOOM_MAXIMUM 12      /* 1 byte, read-only; 0 = no zoom */
#define KMXPI_CAMERA_ZOOM 13              /* 1 byte */
#define KMXPI_CAMERA_NEVER_FLICKER 14     /* 1 byte, 0 or 1 */
#define KMXPI_CAMERA_BACKLIGHT 15         /* 1 byte, 0 or 1 */
#define KMXPI_CAMERA_FIRST_NATIVE_SIZE 16 /* 8 bytes each: width, height */
#define KMXPI_CAMERA_LAST_NATIVE_SIZE 30

/* {345D7661-62F1-11D4-A140-00A024AD71C2}: what the library does to frames. */
KMXPI_GUID(KMXPI_PROPSET_IMAGE, 0x345D7661, 0x62F1, 0x11D4, 0xA1, 0x40, 0x00, 0xA0, 0x24, 0xAD,
           0x71, 0xC2);
#define KMXPI_IMAGE_SIZE_SELECTION 0 /* 1 byte: 0 keep, 1 smaller native, else larger */
#define KMXPI_IMAGE_FLIP 1           /* 1 byte, 0 or 1, on 24-bit RGB output */
#define KMXPI_IMAGE_MIRROR 2         /* 1 byte, 0 or 1, on 24-bit RGB output */

/* {E89FFFB0-D56B-11D3-A0CB-00A024AD71C2}: speed and picture quality. */
KMXPI_GUID(KMXPI_PROPSET_QUALITY, 0xE89FFFB0, 0xD56B, 0x11D3, 0xA0, 0xCB, 0x00, 0xA0, 0x24, 0xAD,
           0x71, 0xC2);
#define KMXPI_QUALITY_SPEED 0    /* 1 byte: 0, 1 or 3 */
#define KMXPI_QUALITY_DEFECT_1 4 /* 1 byte, 0 or 1 */
#define KMXPI_QUALITY_DEFECT_2 5 /* 1 byte, 0 or 1 */

/* {B22B1ADE-17F3-487A-975C-6111ECF5F9D1}: USB bandwidth. */
KMXPI_GUID(KMXPI_PROPSET_USB, 0xB22B1ADE, 0x17F3, 0x487A, 0x97, 0x5C, 0x61, 0x11, 0xEC, 0xF5, 0xF9,
           0xD1);
#define KMXPI_USB_MAXIMUM_BANDWIDTH 0 /* 1 byte, one of six choices */
#define KMXPI_USB_BANDWIDTH 1         /* 1 byte, read-only */
#define KMXPI_USB_ERROR_CHECKING 2    /* 1 byte, 0 or 1 */

/* {CBDBB6A0-6217-11D4-A31C-00A024AD7171}: bandwidth and compression of the
 * cameras that answer this set instead of KMXPI_PROPSET_USB. */
KMXPI_GUID(KMXPI_PROPSET_COMPRESSION, 0xCBDBB6A0, 0x6217, 0x11D4, 0xA3, 0x1C, 0x00, 0xA0, 0x24,
           0xAD, 0x71, 0x71);
#define KMXPI_COMPRESSION_MAXIMUM_BANDWIDTH 0 /* 1 byte, one of three choices */
#define KMXPI_COMPRESSION_BANDWIDTH 1         /* 1 byte, read-only */
#define KMXPI_COMPRESSION_LEVEL 2             /* 1 byte */
#define KMXPI_COMPRESSION_NO_BANDING_FILTER 6 /* 1 byte, 0 or 1 */

/* {59284610-CDBA-11D3-A0C0-00A024AD71C2}: light. */
KMXPI_GUID(KMXPI_PROPSET_LIGHT, 0x59284610, 0xCDBA, 0x11D3, 0xA0, 0xC0, 0x00, 0xA0, 0x24, 0xAD,
           0x71, 0xC2);
#define KMXPI_LIGHT_RESET_0 0   /* reset to default only */
#define KMXPI_LIGHT_RESET_3 3   /* reset to default only */
#define KMXPI_LIGHT_LOW_LIGHT 4 /* 1 byte, 0 or 1 */

/* {C6E13360-30AC-11D0-A18C-00A0C9118956}: the standard video processing
 * amplifier. Values are KMXPI_PROCAMP_VALUE records. */
KMXPI_GUID(KMXPI_PROPSET_VIDEOPROCAMP, 0xC6E13360, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9,
           0x11, 0x89, 0x56);
#define KMXPI_PROCAMP_BRIGHTNESS 0
#define KMXPI_PROCAMP_CONTRAST 1
#define KMXPI_PROCAMP_SATURATION 3

typedef struct KMXPI_PROCAMP_VALUE {
    LONG value;
    DWORD flags;
    DWORD capabilities;
} KMXPI_PROCAMP_VALUE;

/* {00A242B0-920E-11D3-A08F-00A024AD71C2}: driver notifications; id 0 is
 * the camera's removal. */
KMXPI_GUID(KMXPI_NOTIFYSET_CAMERA, 0x00A242B0, 0x920E, 0x11D3, 0xA0, 0x8F, 0x00, 0xA0, 0x24, 0xAD,
           0x71, 0xC2);
#define KMXPI_NOTIFY_REMOVAL 0

#undef KMXPI_GUID

/* A camera handle, owned by the library from KMXPI_HandleOpen to
 * KMXPI_HandleClose. */
typedef struct KMXPI_CAMERA* KMXPI_HANDLE;

#ifdef __cplusplus
extern "C" {
#endif

/* Stores the interface version in *VERSION when VERSION is not null. */
KMX512U_API DWORD KMXPI_GetVersion(WORD* version);

/* The name of STATUS (the empty text for a code that is not one of the
 * KMXPI_STATUS_* codes) into BUFFER, terminator included; BUFFER_TOO_SMALL
 * when SIZE bytes cannot take it. */
KMX512U_API DWORD KMXPI_GetErrorText(DWORD status, LPSTR buffer, DWORD size);

/* Opens the camera listed under CONNECTION_ID into *HANDLE (null on
 * failure): CAMERA_NOT_FOUND when it does not open. */
KMX512U_API DWORD KMXPI_HandleOpen(DWORD connection_id, KMXPI_HANDLE* handle);

/* Closes *HANDLE, releasing the capture lock it holds, and sets it to null. */
KMX512U_API DWORD KMXPI_HandleClose(KMXPI_HANDLE* handle);

/* Reserves HANDLE's camera for the capture clients of this process, across
 * processes: IN_USE while another holder is alive. */
KMX512U_API DWORD KMXPI_HandleLockVfWOpen(KMXPI_HANDLE handle);

/* Gives the reservation up; BAD_PARAMETER when this process does not hold it
 * for HANDLE's camera. */
KMX512U_API DWORD KMXPI_HandleUnLockVfWOpen(KMXPI_HANDLE handle);

/* Asks the camera's driver to end the capture in progress. */
KMX512U_API DWORD KMXPI_HandleAbortVfW(KMXPI_HANDLE handle);

/* Property SET/ID with SIZE bytes at VALUE. Set and get both copy what the
 * driver answers back into VALUE. */
KMX512U_API DWORD KMXPI_PropertySet(KMXPI_HANDLE handle, const GUID* set, DWORD id, DWORD size,
                                    void* value);
KMX512U_API DWORD KMXPI_PropertyGet(KMXPI_HANDLE handle, const GUID* set, DWORD id, DWORD size,
                                    void* value);
/* Returns property SET/ID to its default. */
KMX512U_API DWORD KMXPI_PropertyDefault(KMXPI_HANDLE handle, const GUID* set, DWORD id);

/* Has the driver signal EVENT (a handle of this process) for notification
 * SET/ID, until KMXPI_NotificationClear with the same event. */
KMX512U_API DWORD KMXPI_NotificationSet(KMXPI_HANDLE handle, const GUID* set, DWORD id,
                                        HANDLE event);
KMX512U_API DWORD KMXPI_NotificationClear(KMXPI_HANDLE handle, HANDLE event);

/* Signals EVENT once, when the number of connected cameras whose identity
 * words are IDENTITY1/IDENTITY2 (any camera for 0/0) grows. The caller may
 * close its EVENT handle at once. */
KMX512U_API DWORD KMXPI_CameraNotifyNew(DWORD identity1, DWORD identity2, HANDLE event);

/* Signals EVENT once, when a camera next wakes the system. */
KMX512U_API DWORD KMXPI_CameraNotifyWokeSystem(HANDLE event);

/* The connection ids of the connected cameras whose identity words are
 * IDENTITY1/IDENTITY2 (every camera for 0/0): up to CAPACITY of them into
 * IDS, and how many there are into *COUNT, which may exceed CAPACITY. */
KMX512U_API DWORD KMXPI_CameraEnum(DWORD identity1, DWORD identity2, DWORD* ids, DWORD capacity,
                                   DWORD* count);

#ifdef __cplusplus
}
#endif

#endif
