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
#include <wingdi.h>

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

/* The video compression manager.
 *
 * Codecs are installable drivers (mmsystem.h) registered, as Windows
 * registers them, by values named "TYPE.HANDLER" under the Drivers32 key
 * ("vidc.MJPG": a video codec for the FourCC "MJPG"), each holding the
 * codec module's file name. Type and handler names compare without regard
 * to case; the type 'VIDC' is the type 'vidc'.
 *
 * ICOpen opens the codec registered for a type and handler and sends it
 * DRV_OPEN with an ICOPEN record (ICVERSION, the mode as dwFlags) as
 * lParam2; 0 when none is registered or it refuses. ICClose closes it
 * (ICERR_OK). ICSendMessage hands a message to the codec and returns its
 * answer. A handle that is not open gets ICERR_BADHANDLE from ICClose and
 * ICSendMessage, and 0 from ICGetInfo.
 *
 * ICInfo reads the registry only, opening nothing: with a FourCC handler it
 * describes that codec, with a number N below the count of the type's
 * codecs the N-th in registry order (type 0: every type); it fills dwSize,
 * fccType, fccHandler and szDriver (the module file name) and zeroes the
 * rest. ICGetInfo asks an open codec (ICM_GETINFO) and returns the bytes it
 * filled; a szDriver that the codec leaves empty gets the module file name.
 *
 * ICLocate opens the preferred handler when one is given, then each codec
 * of the type in registry order, in the mode asked, and returns the first
 * that accepts the formats (ICM_COMPRESS_QUERY, ICM_DECOMPRESS_QUERY or
 * ICM_DRAW_QUERY answering ICERR_OK); the others are closed again. 0 when
 * none does or the mode is none of those. */
DECLARE_HANDLE(HIC);

#define VFWAPI WINAPI
#define VFWAPIV WINAPIV

#define ICTYPE_VIDEO mmioFOURCC('v', 'i', 'd', 'c')
#define ICTYPE_AUDIO mmioFOURCC('a', 'u', 'd', 'c')
#define ICVERSION 0x0104

/* Results of the ICM_ messages. */
#define ICERR_OK 0L
#define ICERR_DONTDRAW 1L
#define ICERR_NEWPALETTE 2L
#define ICERR_GOTOKEYFRAME 3L
#define ICERR_STOPDRAWING 4L
#define ICERR_UNSUPPORTED -1L
#define ICERR_BADFORMAT -2L
#define ICERR_MEMORY -3L
#define ICERR_INTERNAL -4L
#define ICERR_BADFLAGS -5L
#define ICERR_BADPARAM -6L
#define ICERR_BADSIZE -7L
#define ICERR_BADHANDLE -8L
#define ICERR_CANTUPDATE -9L
#define ICERR_ABORT -10L
#define ICERR_ERROR -100L
#define ICERR_BADBITDEPTH -200L
#define ICERR_BADIMAGESIZE -201L
#define ICERR_CUSTOM -400L

/* Modes of ICOpen and ICLocate, ICOPEN's dwFlags. */
#define ICMODE_COMPRESS 1
#define ICMODE_DECOMPRESS 2
#define ICMODE_FASTDECOMPRESS 3
#define ICMODE_QUERY 4
#define ICMODE_FASTCOMPRESS 5
#define ICMODE_DRAW 8

/* Codec messages. */
#define ICM_USER (DRV_USER + 0x0000)
#define ICM_RESERVED_LOW (DRV_USER + 0x1000)
#define ICM_RESERVED_HIGH (DRV_USER + 0x2000)
#define ICM_RESERVED ICM_RESERVED_LOW

#define ICM_GETSTATE (ICM_RESERVED + 0)
#define ICM_SETSTATE (ICM_RESERVED + 1)
#define ICM_GETINFO (ICM_RESERVED + 2)
#define ICM_CONFIGURE (ICM_RESERVED + 10)
#define ICM_ABOUT (ICM_RESERVED + 11)
#define ICM_GETERRORTEXT (ICM_RESERVED + 12)
#define ICM_GETFORMATNAME (ICM_RESERVED + 20)
#define ICM_ENUMFORMATS (ICM_RESERVED + 21)
#define ICM_GETDEFAULTQUALITY (ICM_RESERVED + 30)
#define ICM_GETQUALITY (ICM_RESERVED + 31)
#define ICM_SETQUALITY (ICM_RESERVED + 32)

#define ICM_COMPRESS_GET_FORMAT (ICM_USER + 4)
#define ICM_COMPRESS_GET_SIZE (ICM_USER + 5)
#define ICM_COMPRESS_QUERY (ICM_USER + 6)
#define ICM_COMPRESS_BEGIN (ICM_USER + 7)
#define ICM_COMPRESS (ICM_USER + 8)
#define ICM_COMPRESS_END (ICM_USER + 9)
#define ICM_DECOMPRESS_GET_FORMAT (ICM_USER + 10)
#define ICM_DECOMPRESS_QUERY (ICM_USER + 11)
#define ICM_DECOMPRESS_BEGIN (ICM_USER + 12)
#define ICM_DECOMPRESS (ICM_USER + 13)
#define ICM_DECOMPRESS_END (ICM_USER + 14)
#define ICM_DECOMPRESS_SET_PALETTE (ICM_USER + 29)
#define ICM_DECOMPRESS_GET_PALETTE (ICM_USER + 30)
#define ICM_DRAW_QUERY (ICM_USER + 31)

/* lParam2 of a codec's DRV_OPEN: what it is opened for. A codec that will
 * not serve the type or mode refuses the open and may say why in dwError. */
typedef struct {
    DWORD dwSize;
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwVersion;
    DWORD dwFlags;
    LRESULT dwError;
    LPVOID pV1Reserved;
    LPVOID pV2Reserved;
    DWORD dnDevNode;
} ICOPEN;

/* ICINFO's dwFlags: what a codec can do. */
#define VIDCF_QUALITY 0x0001
#define VIDCF_CRUNCH 0x0002
#define VIDCF_TEMPORAL 0x0004
#define VIDCF_COMPRESSFRAMES 0x0008
#define VIDCF_DRAW 0x0010
#define VIDCF_FASTTEMPORALC 0x0020
#define VIDCF_FASTTEMPORALD 0x0080
#define VIDCF_QUALITYTIME 0x0040

typedef struct {
    DWORD dwSize;
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwVersion;
    DWORD dwVersionICM;
    WCHAR szName[16];
    WCHAR szDescription[128];
    WCHAR szDriver[128];
} ICINFO;

/* lParam1 of ICM_DECOMPRESS (lParam2: its size). */
#define ICDECOMPRESS_HURRYUP 0x80000000L
#define ICDECOMPRESS_UPDATE 0x40000000L
#define ICDECOMPRESS_PREROLL 0x20000000L
#define ICDECOMPRESS_NULLFRAME 0x10000000L
#define ICDECOMPRESS_NOTKEYFRAME 0x08000000L

typedef struct {
    DWORD dwFlags;
    LPBITMAPINFOHEADER lpbiInput;
    LPVOID lpInput;
    LPBITMAPINFOHEADER lpbiOutput;
    LPVOID lpOutput;
    DWORD ckid;
} ICDECOMPRESS;

#ifdef __cplusplus
static_assert(sizeof(ICOPEN) == KMXWIN_LAYOUT(36, 56) &&
                  __builtin_offsetof(ICOPEN, dwFlags) == 16 &&
                  __builtin_offsetof(ICOPEN, dwError) == KMXWIN_LAYOUT(20, 24) &&
                  __builtin_offsetof(ICOPEN, dnDevNode) == KMXWIN_LAYOUT(32, 48),
              "ICOPEN");
static_assert(sizeof(ICINFO) == 568 && __builtin_offsetof(ICINFO, szName) == 24 &&
                  __builtin_offsetof(ICINFO, szDescription) == 56 &&
                  __builtin_offsetof(ICINFO, szDriver) == 312,
              "ICINFO");
static_assert(sizeof(ICDECOMPRESS) == KMXWIN_LAYOUT(24, 48) &&
                  __builtin_offsetof(ICDECOMPRESS, lpbiInput) == KMXWIN_LAYOUT(4, 8) &&
                  __builtin_offsetof(ICDECOMPRESS, lpOutput) == KMXWIN_LAYOUT(16, 32) &&
                  __builtin_offsetof(ICDECOMPRESS, ckid) == KMXWIN_LAYOUT(20, 40),
              "ICDECOMPRESS");
#endif

#define ICCompressQuery(hic, lpbiInput, lpbiOutput)                        \
    ICSendMessage(hic, ICM_COMPRESS_QUERY, (DWORD_PTR)(LPVOID)(lpbiInput), \
                  (DWORD_PTR)(LPVOID)(lpbiOutput))
#define ICDecompressQuery(hic, lpbiInput, lpbiOutput)                        \
    ICSendMessage(hic, ICM_DECOMPRESS_QUERY, (DWORD_PTR)(LPVOID)(lpbiInput), \
                  (DWORD_PTR)(LPVOID)(lpbiOutput))
#define ICDecompressGetFormat(hic, lpbiInput, lpbiOutput)                                \
    ((LONG)ICSendMessage(hic, ICM_DECOMPRESS_GET_FORMAT, (DWORD_PTR)(LPVOID)(lpbiInput), \
                         (DWORD_PTR)(LPVOID)(lpbiOutput)))
#define ICDecompressGetFormatSize(hic, lpbi) ICDecompressGetFormat(hic, lpbi, NULL)
#define ICDecompressBegin(hic, lpbiInput, lpbiOutput)                        \
    ICSendMessage(hic, ICM_DECOMPRESS_BEGIN, (DWORD_PTR)(LPVOID)(lpbiInput), \
                  (DWORD_PTR)(LPVOID)(lpbiOutput))
#define ICDecompressEnd(hic) ICSendMessage(hic, ICM_DECOMPRESS_END, 0, 0)

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI BOOL WINAPI capGetDriverDescriptionA(UINT wDriverIndex, LPSTR lpszName, int cbName,
                                                LPSTR lpszVer, int cbVer);

WINBASEAPI BOOL VFWAPI ICInfo(DWORD fccType, DWORD fccHandler, ICINFO* lpicinfo);
WINBASEAPI HIC VFWAPI ICOpen(DWORD fccType, DWORD fccHandler, UINT wMode);
WINBASEAPI LRESULT VFWAPI ICClose(HIC hic);
WINBASEAPI LRESULT VFWAPI ICSendMessage(HIC hic, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2);
WINBASEAPI LRESULT VFWAPI ICGetInfo(HIC hic, ICINFO* picinfo, DWORD cb);
WINBASEAPI HIC VFWAPI ICLocate(DWORD fccType, DWORD fccHandler, LPBITMAPINFOHEADER lpbiIn,
                               LPBITMAPINFOHEADER lpbiOut, WORD wFlags);
/* Sends ICM_DECOMPRESS with an ICDECOMPRESS record of its arguments; the
 * codec's answer. */
WINBASEAPI DWORD VFWAPIV ICDecompress(HIC hic, DWORD dwFlags, LPBITMAPINFOHEADER lpbiFormat,
                                      LPVOID lpData, LPBITMAPINFOHEADER lpbi, LPVOID lpBits);

#ifdef __cplusplus
}
#endif

#endif
