/* The debug interface of kmx512u: service tools reach the camera and its
 * kernel driver below the programming interface. Every function answers one
 * of the KMXDEBUG_STATUS_* codes and leaves its arguments for the caller to
 * remove. Usable from C and C++.
 *
 * Functions that take a debug device handle work on a camera opened with
 * KMXDebug_OpenDevice; the descriptor functions also accept
 * INVALID_HANDLE_VALUE and then work on the first camera that opens. The
 * version and flag functions open the first camera that opens for each
 * call. The meaning of the raw commands' parameters, of the flags and of the
 * descriptors belongs to the kernel driver; the library only carries them. */
#ifndef KMX512U_KMXDEBUG_H
#define KMX512U_KMXDEBUG_H

#include <windows.h>

#include <kmx512u/kmx512u_export.h>

/* Parameter and resource errors. */
#define KMXDEBUG_STATUS_SUCCESS 0x0000
#define KMXDEBUG_STATUS_BAD_PARAMETER 0x1000
#define KMXDEBUG_STATUS_BUFFER_TOO_SMALL 0x1001
#define KMXDEBUG_STATUS_NOT_IMPLEMENTED 0x1002
#define KMXDEBUG_STATUS_ALLOC_FAILED 0x1003
#define KMXDEBUG_STATUS_OPERATION_FAILED 0x1004
/* Driver and device errors. */
#define KMXDEBUG_STATUS_DRIVER_NOT_FOUND 0x2000
#define KMXDEBUG_STATUS_DEVICE_NOT_FOUND 0x2001
#define KMXDEBUG_STATUS_DEVICE_REMOVED 0x2002
#define KMXDEBUG_STATUS_INVALID_HANDLE 0x2003
#define KMXDEBUG_STATUS_RELEASE_DRIVER 0x2004
/* Flag and version errors. */
#define KMXDEBUG_STATUS_UNKNOWN_FLAG 0x3000
#define KMXDEBUG_STATUS_UNKNOWN_CODE 0x3001
#define KMXDEBUG_STATUS_VERSION_MISMATCH 0x3002
#define KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK 0x3004

/* Flag blocks 0 to 4 are not the kernel driver's: every flag function
 * answers RELEASE_DRIVER for them. Block 5 is the driver's first. */
#define KMXDEBUG_FIRST_DRIVER_FLAG_BLOCK 5

/* The size of the property and notification descriptors. */
#define KMXDEBUG_DESCRIPTOR_SIZE 68
/* Connection strings are device interface paths of at most 259
 * characters; buffers for them take this many bytes. */
#define KMXDEBUG_CONNECTION_STRING_SIZE 260

#ifdef __cplusplus
extern "C" {
#endif

/* The name of STATUS into TEXT (SIZE bytes), terminator included:
 * UNKNOWN_CODE for a code that is none of the above, BUFFER_TOO_SMALL
 * (nothing copied) when it does not fit. */
KMX512U_API DWORD KMXDebug_GetStatusText(DWORD status, LPSTR text, DWORD size);

/* Checks the kernel driver's interface version; on success *VERSION gets
 * 0x0215, *WORD 0 (each when not null) and TEXT, when not null, the
 * library's version "2.21.00.01" (11 bytes; BUFFER_TOO_SMALL below that,
 * with the two outputs already written). */
KMX512U_API DWORD KMXDebug_GetVersion(WORD* version, DWORD* word, LPSTR text, DWORD size);

/* The driver's debug flags: names of blocks and flags, and their values. */
KMX512U_API DWORD KMXDebug_GetFlagName(DWORD block, DWORD flag, LPSTR name, DWORD size);
KMX512U_API DWORD KMXDebug_GetFlagBlockName(DWORD block, LPSTR name, DWORD size);
KMX512U_API DWORD KMXDebug_GetFlagInfo(DWORD block, DWORD flag, DWORD* value);
KMX512U_API DWORD KMXDebug_SetFlagInfo(DWORD block, DWORD flag, DWORD value);

/* The connection ids of the cameras that open: up to CAPACITY of them into
 * IDS (which may be null when CAPACITY is 0) and how many there are into
 * *COUNT, which may exceed CAPACITY. */
KMX512U_API DWORD KMXDebug_EnumDevices(DWORD* ids, DWORD capacity, DWORD* count);

/* Opens the camera listed under CONNECTION_ID (1 to 255) into *DEVICE
 * (INVALID_HANDLE_VALUE when it does not open: DEVICE_NOT_FOUND). The
 * handle is the caller's until KMXDebug_CloseDevice, which sets it to
 * INVALID_HANDLE_VALUE; the library never closes it. */
KMX512U_API DWORD KMXDebug_OpenDevice(LONG connection_id, HANDLE* device);
KMX512U_API DWORD KMXDebug_CloseDevice(HANDLE* device);

/* The device's id words. */
KMX512U_API DWORD KMXDebug_DeviceIDGet(HANDLE device, DWORD* id1, DWORD* id2);

/* The device interface path listed under CONNECTION_ID into BUFFER (at
 * least KMXDEBUG_CONNECTION_STRING_SIZE bytes): OPERATION_FAILED when the
 * id is not listed. */
KMX512U_API DWORD KMXDebug_GetConnectionString(DWORD connection_id, LPSTR buffer, DWORD size);

/* The connection id under which the path CONNECTION_STRING is listed, into
 * *CONNECTION_ID (0 and OPERATION_FAILED when it is not listed). Present
 * cameras are listed first, so the path of any present camera has an id. */
KMX512U_API DWORD KMXDebug_GetConnectionID(DWORD* connection_id, LPCSTR connection_string);

/* Raw requests to the device. DATA, when given, is sent and holds what the
 * driver returned afterwards, also when the request failed. */
KMX512U_API DWORD KMXDebug_USB_Set_Interface(HANDLE device, BYTE interface_number,
                                             BYTE alternate_setting);
KMX512U_API DWORD KMXDebug_USB_Command(HANDLE device, DWORD word_parameter, BYTE byte_parameter,
                                       WORD short_parameter, void* data, WORD length);
/* The same request as KMXDebug_USB_Command. */
KMX512U_API DWORD KMXDebug_Command(HANDLE device, DWORD word_parameter, BYTE byte_parameter,
                                   WORD short_parameter, void* data, WORD length);
KMX512U_API DWORD KMXDebug_USB_Transfer(HANDLE device, BYTE byte_parameter, void* data,
                                        DWORD length, DWORD word_parameter);

/* The driver's descriptors of the property or notification at INDEX, into
 * KMXDEBUG_DESCRIPTOR_SIZE bytes at DESCRIPTOR; and the value of the
 * property at INDEX into SIZE bytes at BUFFER. */
KMX512U_API DWORD KMXDebug_GetPropertyDescriptor(HANDLE device, DWORD index, void* descriptor);
KMX512U_API DWORD KMXDebug_GetNotificationDescriptor(HANDLE device, DWORD index, void* descriptor);
KMX512U_API DWORD KMXDebug_GetPropertyInformation(HANDLE device, DWORD index, void* buffer,
                                                  DWORD size);

#ifdef __cplusplus
}
#endif

#endif
