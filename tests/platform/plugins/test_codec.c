/* A video codec for the compression manager's tests. It reports its opens
 * and closes to the program (RecordDriverMessage) and answers:
 * - DRV_OPEN: refuses another type than 'vidc' and the mode
 *   ICMODE_COMPRESS (setting dwError), else a fresh id;
 * - ICM_DECOMPRESS_QUERY: ICERR_OK for input of the FourCC
 *   KMXTEST_CODEC_INPUT, with no output format or an 8-bit RGB one;
 * - ICM_COMPRESS_QUERY: never reaches it (compress opens are refused);
 * - ICM_GETINFO: its name and flags, without szDriver;
 * - ICM_DECOMPRESS: each input byte plus one into the output, for
 *   biSizeImage bytes. */
#include <windows.h>
#include <vfw.h>

#include <stdio.h>
#include <string.h>

#include "module_events.h"

static LONG volatile next_id = 0;

static LRESULT Open(ICOPEN* open) {
    char text[128];
    if (!open) return 0;
    snprintf(text, sizeof text, "%s open %.4s %.4s %#x %u", KMXTEST_MODULE,
             (const char*)&open->fccType, (const char*)&open->fccHandler, (unsigned)open->dwVersion,
             (unsigned)open->dwFlags);
    ReportDriverMessage(text);
    if (open->fccType != ICTYPE_VIDEO || open->dwFlags == ICMODE_COMPRESS) {
        open->dwError = ICERR_UNSUPPORTED;
        return 0;
    }
    open->dwError = ICERR_OK;
    return InterlockedIncrement(&next_id);
}

static LRESULT Query(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
    if (!in || in->biCompression != KMXTEST_CODEC_INPUT) return ICERR_BADFORMAT;
    if (out && (out->biCompression != BI_RGB || out->biBitCount != 8)) return ICERR_BADFORMAT;
    return ICERR_OK;
}

static LRESULT Info(ICINFO* info, DWORD size) {
    static const char name[] = KMXTEST_MODULE;
    size_t i;
    if (!info || size < sizeof *info) return 0;
    info->dwSize = sizeof *info;
    info->fccType = ICTYPE_VIDEO;
    info->fccHandler = KMXTEST_CODEC_INPUT;
    info->dwFlags = VIDCF_QUALITY;
    info->dwVersion = 7;
    info->dwVersionICM = ICVERSION;
    for (i = 0; i < sizeof name && i < 16; ++i) info->szName[i] = (WCHAR)name[i];
    info->szDescription[0] = 0;
    return sizeof *info;
}

static LRESULT Decompress(const ICDECOMPRESS* decompress, LPARAM size) {
    const BYTE* in;
    BYTE* out;
    DWORD i;
    if (!decompress || size != sizeof *decompress) return ICERR_BADPARAM;
    if (Query(decompress->lpbiInput, decompress->lpbiOutput) != ICERR_OK) return ICERR_BADFORMAT;
    in = (const BYTE*)decompress->lpInput;
    out = (BYTE*)decompress->lpOutput;
    for (i = 0; i < decompress->lpbiOutput->biSizeImage; ++i) out[i] = (BYTE)(in[i] + 1);
    return ICERR_OK;
}

KMXTEST_EXPORT LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR hdrvr, UINT msg, LPARAM lParam1,
                                           LPARAM lParam2) {
    char text[128];
    switch (msg) {
        case DRV_OPEN:
            return Open((ICOPEN*)lParam2);
        case DRV_CLOSE:
            snprintf(text, sizeof text, "%s close %lu", KMXTEST_MODULE, (unsigned long)id);
            ReportDriverMessage(text);
            return 1;
        case ICM_DECOMPRESS_QUERY:
            return Query((const BITMAPINFOHEADER*)lParam1, (const BITMAPINFOHEADER*)lParam2);
        case ICM_GETINFO:
            return Info((ICINFO*)lParam1, (DWORD)lParam2);
        case ICM_DECOMPRESS:
            return Decompress((const ICDECOMPRESS*)lParam1, lParam2);
        default:
            return msg >= DRV_USER ? ICERR_UNSUPPORTED
                                   : DefDriverProc(id, hdrvr, msg, lParam1, lParam2);
    }
}
