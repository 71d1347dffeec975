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

#ifdef __cplusplus
extern "C" {
#endif

/* Stores the interface version in *VERSION when VERSION is not null. */
KMX512U_API DWORD KMXPI_GetVersion(WORD* version);

/* The name of STATUS (the empty text for a code that is not one of the
 * KMXPI_STATUS_* codes) into BUFFER, terminator included; BUFFER_TOO_SMALL
 * when SIZE bytes cannot take it. */
KMX512U_API DWORD KMXPI_GetErrorText(DWORD status, LPSTR buffer, DWORD size);

#ifdef __cplusplus
}
#endif

#endif
