/* The Video for Windows records as 16-bit code lays them out, for records
 * that live in the simulated 16-bit address space (wownt32.h): every
 * pointer is a 16:16 address in a DWORD and every handle a WORD widened to
 * a DWORD, so each record has its 16-bit size on every build. Their flat
 * counterparts are in msviddrv.h and vfw.h. This is not a Windows header. */
#ifndef KMXWIN_VFW16_H
#define KMXWIN_VFW16_H

#include <minwindef.h>

#include <kmxwin/wow_address_space.h>

/* lParam2 of DRV_OPEN. */
typedef struct VIDEO_OPEN_PARMS16 {
    DWORD dwSize;
    DWORD fccType;
    DWORD fccComp;
    DWORD dwVersion;
    DWORD dwFlags;
    DWORD dwError;
    VPVOID pV1Reserved;
    VPVOID pV2Reserved;
    DWORD dnDevNode;
} VIDEO_OPEN_PARMS16;

/* lParam2 of DVM_FORMAT. */
typedef struct VIDEOCONFIGPARMS16 {
    VPVOID lpdwReturn;
    VPVOID lpData1;
    DWORD dwSize1;
    VPVOID lpData2;
    DWORD dwSize2;
} VIDEOCONFIGPARMS16;

/* lParam1 of DVM_FRAME and the DVM_STREAM_ buffer messages. */
typedef struct VIDEOHDR16 {
    VPVOID lpData;
    DWORD dwBufferLength;
    DWORD dwBytesUsed;
    DWORD dwTimeCaptured;
    DWORD dwUser;
    DWORD dwFlags;
    DWORD dwReserved[4];
} VIDEOHDR16;

/* lParam1 of DVM_STREAM_INIT; dwCallback is a 16:16 code address, an event
 * handle or a window handle by the CALLBACK_ type in dwFlags. */
typedef struct VIDEO_STREAM_INIT_PARMS16 {
    DWORD dwMicroSecPerFrame;
    DWORD dwCallback;
    DWORD dwCallbackInst;
    DWORD dwFlags;
    DWORD hVideo;
} VIDEO_STREAM_INIT_PARMS16;

#ifdef __cplusplus
static_assert(sizeof(VIDEO_OPEN_PARMS16) == 36 &&
                  __builtin_offsetof(VIDEO_OPEN_PARMS16, dwError) == 20,
              "VIDEO_OPEN_PARMS16");
static_assert(sizeof(VIDEOCONFIGPARMS16) == 20 &&
                  __builtin_offsetof(VIDEOCONFIGPARMS16, dwSize1) == 8,
              "VIDEOCONFIGPARMS16");
static_assert(sizeof(VIDEOHDR16) == 40 && __builtin_offsetof(VIDEOHDR16, dwFlags) == 20 &&
                  __builtin_offsetof(VIDEOHDR16, dwReserved) == 24,
              "VIDEOHDR16");
static_assert(sizeof(VIDEO_STREAM_INIT_PARMS16) == 20 &&
                  __builtin_offsetof(VIDEO_STREAM_INIT_PARMS16, hVideo) == 16,
              "VIDEO_STREAM_INIT_PARMS16");
#endif

#endif
