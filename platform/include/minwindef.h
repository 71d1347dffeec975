/* Basic Windows types and calling-convention macros.
 *
 * Sizes are the Windows ones: DWORD, LONG and ULONG are 32 bits wide on every
 * target, which is not what `long` is on LP64 Linux. */
#ifndef KMXWIN_MINWINDEF_H
#define KMXWIN_MINWINDEF_H

#include <basetsd.h>

#ifdef __cplusplus
#define KMXWIN_EXTERN_C extern "C"
#else
#define KMXWIN_EXTERN_C extern
#endif

/* Functions of the platform layer are exported from libkmxwin.so. */
#define KMXWIN_API __attribute__((visibility("default")))
#define WINBASEAPI KMXWIN_API
#define WINAPI
#define WINAPIV
#define APIENTRY WINAPI
#define CALLBACK
#define CONST const
#define VOID void

#ifndef NULL
#ifdef __cplusplus
#define NULL nullptr
#else
#define NULL ((void*)0)
#endif
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif
#define MAX_PATH 260

typedef unsigned int DWORD;
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef float FLOAT;
typedef int INT;
typedef unsigned int UINT;
typedef BOOL *PBOOL, *LPBOOL;
typedef BYTE *PBYTE, *LPBYTE;
typedef int *PINT, *LPINT;
typedef WORD *PWORD, *LPWORD;
typedef int* LPLONG;
typedef DWORD *PDWORD, *LPDWORD;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef unsigned int* PUINT;

typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

#define MAKEWORD(a, b) \
    ((WORD)(((BYTE)(((DWORD_PTR)(a)) & 0xff)) | ((WORD)((BYTE)(((DWORD_PTR)(b)) & 0xff))) << 8))
#define MAKELONG(a, b)                                                                         \
    ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) \
                                                      << 16))
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xff))

/* A size or offset of an SDK record as the SDK lays it out for 32-bit and
 * for 64-bit builds, for the headers' layout checks. */
#define KMXWIN_LAYOUT(bytes32, bytes64) (sizeof(void*) == 8 ? (bytes64) : (bytes32))

#include <winnt.h>

#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name
DECLARE_HANDLE(HINSTANCE);
typedef HINSTANCE HMODULE;
typedef HANDLE *PHANDLE, *LPHANDLE;
typedef HANDLE HGLOBAL;
typedef WORD ATOM;
DECLARE_HANDLE(HRSRC);
typedef INT_PTR(WINAPI* FARPROC)(void);
typedef INT_PTR(WINAPI* PROC)(void);

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

#endif
