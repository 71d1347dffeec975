/* Video for Windows: the records and codes that capture drivers and their
 * clients share, and the capture drivers' descriptions.
 *
 * capGetDriverDescriptionA describes the capture driver installed under the
 * alias "msvideo" (index 0) or "msvideoN" (index N, 1 to 9) of the
 * Drivers32 key (see mmsystem.h). The name is the description recorded for
 * the driver's module file under
 * HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\drivers.desc,
 * as Windows' driver installation records it, or the module file name when
 * none is recorded. Where this differs from Windows: the version text comes
 * from the module's version resource on Windows; shared objects carry none,
 * so it is the empty text. Texts longer than their buffers are cut and
 * always terminated; a buffer size of 0 leaves its buffer alone. FALSE for
 * an index above 9 or an alias that is not installed. */
#ifndef KMXWIN_VFW_H
#define KMXWIN_VFW_H

#include <mmsystem.h>

/* Results of the DVM_ messages. */
#define DV_ERR_OK 0
#define DV_ERR_BASE 1
#define DV_ERR_NONSPECIFIC (DV_ERR_BASE)
#define DV_ERR_BADFORMAT (DV_ERR_BASE + 1)
#define DV_ERR_STILLPLAYING (DV_ERR_BASE + 2)
#define DV_ERR_UNPREPARED (DV_ERR_BASE + 3)
#define DV_ERR_SYNC (DV_ERR_BASE + 4)
#define DV_ERR_TOOMANYCHANNELS (DV_ERR_BASE + 5)
#define DV_ERR_NOTDETECTED (DV_ERR_BASE + 6)
#define DV_ERR_BADINSTALL (DV_ERR_BASE + 7)
#define DV_ERR_CREATEPALETTE (DV_ERR_BASE + 8)
#define DV_ERR_SIZEFIELD (DV_ERR_BASE + 9)
#define DV_ERR_PARAM1 (DV_ERR_BASE + 10)
#define DV_ERR_PARAM2 (DV_ERR_BASE + 11)
#define DV_ERR_CONFIG1 (DV_ERR_BASE + 12)
#define DV_ERR_CONFIG2 (DV_ERR_BASE + 13)
#define DV_ERR_FLAGS (DV_ERR_BASE + 14)
#define DV_ERR_13 (DV_ERR_BASE + 15)
#define DV_ERR_NOTSUPPORTED (DV_ERR_BASE + 16)
#define DV_ERR_NOMEM (DV_ERR_BASE + 17)
#define DV_ERR_ALLOCATED (DV_ERR_BASE + 18)
#define DV_ERR_BADDEVICEID (DV_ERR_BASE + 19)
#define DV_ERR_INVALHANDLE (DV_ERR_BASE + 20)
#define DV_ERR_BADERRNUM (DV_ERR_BASE + 21)
#define DV_ERR_NO_BUFFERS (DV_ERR_BASE + 22)
#define DV_ERR_MEM_CONFLICT (DV_ERR_BASE + 23)
#define DV_ERR_IO_CONFLICT (DV_ERR_BASE + 24)
#define DV_ERR_DMA_CONFLICT (DV_ERR_BASE + 25)
#define DV_ERR_INT_CONFLICT (DV_ERR_BASE + 26)
#define DV_ERR_PROTECT_ONLY (DV_ERR_BASE + 27)
#define DV_ERR_LASTERROR (DV_ERR_BASE + 27)
#define DV_ERR_USER_MSG (DV_ERR_BASE + 1000)

/* The callback messages of a capture stream. */
#define DV_VM_OPEN MM_DRVM_OPEN
#define DV_VM_CLOSE MM_DRVM_CLOSE
#define DV_VM_DATA MM_DRVM_DATA
#define DV_VM_ERROR MM_DRVM_ERROR

/* One client buffer of a capture stream. */
typedef struct videohdr_tag {
    LPBYTE lpData;
    DWORD dwBufferLength;
    DWORD dwBytesUsed;
    DWORD dwTimeCaptured;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD_PTR dwReserved[4];
} VIDEOHDR, *PVIDEOHDR, *LPVIDEOHDR;

#ifdef __cplusplus
static_assert(sizeof(VIDEOHDR) == KMXWIN_LAYOUT(40, 72) &&
                  __builtin_offsetof(VIDEOHDR, dwBufferLength) == KMXWIN_LAYOUT(4, 8) &&
                  __builtin_offsetof(VIDEOHDR, dwUser) == KMXWIN_LAYOUT(16, 24) &&
                  __builtin_offsetof(VIDEOHDR, dwFlags) == KMXWIN_LAYOUT(20, 32) &&
                  __builtin_offsetof(VIDEOHDR, dwReserved) == KMXWIN_LAYOUT(24, 40),
              "VIDEOHDR");
#endif

#define VHDR_DONE 0x00000001
#define VHDR_PREPARED 0x00000002
#define VHDR_INQUEUE 0x00000004
#define VHDR_KEYFRAME 0x00000008
#define VHDR_VALID 0x0000000F

/* Channel types: dwFlags of VIDEO_OPEN_PARMS. */
#define VIDEO_EXTERNALIN 0x0001
#define VIDEO_EXTERNALOUT 0x0002
#define VIDEO_IN 0x0004
#define VIDEO_OUT 0x0008

/* lParam2 of DVM_DIALOG. */
#define VIDEO_DLG_QUERY 0x0010

/* lParam1 of DVM_FORMAT and the other configuration messages. */
#define VIDEO_CONFIGURE_QUERY 0x8000
#define VIDEO_CONFIGURE_SET 0x1000
#define VIDEO_CONFIGURE_GET 0x2000
#define VIDEO_CONFIGURE_QUERYSIZE 0x0001
#define VIDEO_CONFIGURE_CURRENT 0x0010
#define VIDEO_CONFIGURE_NOMINAL 0x0020
#define VIDEO_CONFIGURE_MIN 0x0040
#define VIDEO_CONFIGURE_MAX 0x0080

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI BOOL WINAPI capGetDriverDescriptionA(UINT wDriverIndex, LPSTR lpszName, int cbName,
                                                LPSTR lpszVer, int cbVer);

#ifdef __cplusplus
}
#endif

#endif
