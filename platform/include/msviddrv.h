/* Video capture drivers: the messages a capture driver answers and the
 * records that come with them. */
#ifndef KMXWIN_MSVIDDRV_H
#define KMXWIN_MSVIDDRV_H

#include <mmsystem.h>

#define DVM_START DRV_USER
#define DVM_GETERRORTEXT (UINT)(DVM_START + 0)
#define DVM_GETVIDEOAPIVER (UINT)(DVM_START + 1)
#define DVM_DIALOG (UINT)(DVM_START + 100)
#define DVM_CONFIGURESTORAGE (UINT)(DVM_START + 101)
#define DVM_GET_CHANNEL_CAPS (UINT)(DVM_START + 102)
#define DVM_UPDATE (UINT)(DVM_START + 103)
#define DVM_FRAME (UINT)(DVM_START + 200)
#define DVM_STREAM_MSG_START (UINT)(DVM_START + 300)
#define DVM_STREAM_MSG_END (UINT)(DVM_START + 399)
#define DVM_STREAM_ADDBUFFER (UINT)(DVM_START + 300)
#define DVM_STREAM_FINI (UINT)(DVM_START + 301)
#define DVM_STREAM_GETERROR (UINT)(DVM_START + 302)
#define DVM_STREAM_GETPOSITION (UINT)(DVM_START + 303)
#define DVM_STREAM_INIT (UINT)(DVM_START + 304)
#define DVM_STREAM_PREPAREHEADER (UINT)(DVM_START + 305)
#define DVM_STREAM_RESET (UINT)(DVM_START + 306)
#define DVM_STREAM_START (UINT)(DVM_START + 307)
#define DVM_STREAM_STOP (UINT)(DVM_START + 308)
#define DVM_STREAM_UNPREPAREHEADER (UINT)(DVM_START + 309)
#define DVM_CONFIGURE_START 0x1000
#define DVM_CONFIGURE_END 0x1FFF
#define DVM_PALETTE (UINT)(DVM_CONFIGURE_START + 1)
#define DVM_FORMAT (UINT)(DVM_CONFIGURE_START + 2)
#define DVM_PALETTERGB555 (UINT)(DVM_CONFIGURE_START + 3)
#define DVM_SRC_RECT (UINT)(DVM_CONFIGURE_START + 4)
#define DVM_DST_RECT (UINT)(DVM_CONFIGURE_START + 5)

/* lParam2 of DRV_OPEN for a capture channel. */
typedef struct tag_video_open_parms {
    DWORD dwSize;
    FOURCC fccType; /* "vcap" */
    FOURCC fccComp;
    DWORD dwVersion;
    DWORD dwFlags; /* the channel type, VIDEO_IN and the others */
    DWORD dwError; /* why the open failed, a DV_ERR_ code */
    LPVOID pV1Reserved;
    LPVOID pV2Reserved;
    DWORD dnDevNode;
} VIDEO_OPEN_PARMS, *LPVIDEO_OPEN_PARMS;

/* lParam2 of DVM_FORMAT and the other configuration messages. */
typedef struct tag_video_configure_parms {
    LPDWORD lpdwReturn;
    LPVOID lpData1;
    DWORD dwSize1;
    LPVOID lpData2;
    DWORD dwSize2;
} VIDEOCONFIGPARMS, *LPVIDEOCONFIGPARMS;

/* lParam1 of DVM_STREAM_INIT. */
typedef struct tag_video_stream_init_parms {
    DWORD dwMicroSecPerFrame;
    DWORD_PTR dwCallback;
    DWORD_PTR dwCallbackInst;
    DWORD dwFlags; /* CALLBACK_ type */
    HANDLE hVideo;
} VIDEO_STREAM_INIT_PARMS, *LPVIDEO_STREAM_INIT_PARMS;

#ifdef __cplusplus
static_assert(sizeof(VIDEO_OPEN_PARMS) == KMXWIN_LAYOUT(36, 48) &&
                  __builtin_offsetof(VIDEO_OPEN_PARMS, dwError) == 20 &&
                  __builtin_offsetof(VIDEO_OPEN_PARMS, pV1Reserved) == 24 &&
                  __builtin_offsetof(VIDEO_OPEN_PARMS, dnDevNode) == KMXWIN_LAYOUT(32, 40),
              "VIDEO_OPEN_PARMS");
static_assert(sizeof(VIDEOCONFIGPARMS) == KMXWIN_LAYOUT(20, 40) &&
                  __builtin_offsetof(VIDEOCONFIGPARMS, lpData1) == KMXWIN_LAYOUT(4, 8) &&
                  __builtin_offsetof(VIDEOCONFIGPARMS, dwSize1) == KMXWIN_LAYOUT(8, 16) &&
                  __builtin_offsetof(VIDEOCONFIGPARMS, dwSize2) == KMXWIN_LAYOUT(16, 32),
              "VIDEOCONFIGPARMS");
static_assert(sizeof(VIDEO_STREAM_INIT_PARMS) == KMXWIN_LAYOUT(20, 40) &&
                  __builtin_offsetof(VIDEO_STREAM_INIT_PARMS, dwCallback) == KMXWIN_LAYOUT(4, 8) &&
                  __builtin_offsetof(VIDEO_STREAM_INIT_PARMS, dwFlags) == KMXWIN_LAYOUT(12, 24) &&
                  __builtin_offsetof(VIDEO_STREAM_INIT_PARMS, hVideo) == KMXWIN_LAYOUT(16, 32),
              "VIDEO_STREAM_INIT_PARMS");
#endif

#endif
