// The MJPG codec's DriverProc: the installable driver's messages and the
// compression manager's. Each open makes a decompressor of its own, whose
// address is the instance's driver id; a client uses an instance from one
// thread at a time, as Video for Windows asks of it, so instances need no
// lock.
#include <windows.h>
#include <mmddk.h>
#include <vfw.h>

#include <kmx512u/kmxmjpg.h>

#include "mjpg_decompressor.h"
#include "mjpg_formats.h"

#include <cstring>
#include <iterator>
#include <new>

namespace kmxmjpg {
namespace {

constexpr DWORD kCodecVersion = 1;
constexpr char kCodecName[] = "KMX512 MJPG";

void CopyWide(const char* text, WCHAR* buffer, size_t capacity) {
    size_t i = 0;
    for (; text[i] && i + 1 < capacity; ++i) buffer[i] = WCHAR(static_cast<unsigned char>(text[i]));
    buffer[i] = 0;
}

LRESULT Open(ICOPEN* open) {
    if (open) {
        // A decompressor only; a client opening it to compress or draw
        // learns so at once.
        UINT mode = open->dwFlags;
        bool decompressing =
            mode == ICMODE_DECOMPRESS || mode == ICMODE_FASTDECOMPRESS || mode == ICMODE_QUERY;
        if (!SameFourcc(open->fccType, ICTYPE_VIDEO) || !decompressing) {
            open->dwError = ICERR_UNSUPPORTED;
            return 0;
        }
        open->dwError = ICERR_OK;
    }
    return reinterpret_cast<LRESULT>(new (std::nothrow) MjpgDecompressor);
}

LRESULT GetInfo(ICINFO* info, LPARAM size) {
    if (!info || size < LPARAM(sizeof *info)) return 0;
    std::memset(info, 0, sizeof *info);
    info->dwSize = sizeof *info;
    info->fccType = ICTYPE_VIDEO;
    info->fccHandler = kFourccMjpg;
    info->dwVersion = kCodecVersion;
    info->dwVersionICM = ICVERSION;
    CopyWide(kCodecName, info->szName, std::size(info->szName));
    CopyWide(KMXMJPG_CODEC_DESCRIPTION, info->szDescription, std::size(info->szDescription));
    // szDriver stays empty: the compression manager names the module.
    return sizeof *info;
}

LRESULT GetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) {
    if (QueryFormats(in, nullptr) != ICERR_OK) return ICERR_BADFORMAT;
    if (!out) return sizeof(BITMAPINFOHEADER);
    *out = DefaultOutput(*in);
    return ICERR_OK;
}

}  // namespace
}  // namespace kmxmjpg

extern "C" __attribute__((visibility("default"))) LRESULT CALLBACK
DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    using namespace kmxmjpg;
    auto* decompressor = reinterpret_cast<MjpgDecompressor*>(id);
    auto* first_format = reinterpret_cast<const BITMAPINFOHEADER*>(lParam1);
    switch (message) {
        case DRV_OPEN:
            return Open(reinterpret_cast<ICOPEN*>(lParam2));
        case DRV_CLOSE:
            delete decompressor;
            return 1;
        case ICM_GETINFO:
            return GetInfo(reinterpret_cast<ICINFO*>(lParam1), lParam2);
        case ICM_DECOMPRESS_QUERY:
            return QueryFormats(first_format, reinterpret_cast<const BITMAPINFOHEADER*>(lParam2));
        case ICM_DECOMPRESS_GET_FORMAT:
            return GetFormat(first_format, reinterpret_cast<BITMAPINFOHEADER*>(lParam2));
        case ICM_DECOMPRESS_BEGIN:
            if (!decompressor) return ICERR_BADHANDLE;
            return decompressor->Begin(first_format,
                                       reinterpret_cast<const BITMAPINFOHEADER*>(lParam2));
        case ICM_DECOMPRESS:
            if (!decompressor) return ICERR_BADHANDLE;
            return decompressor->Decompress(reinterpret_cast<const ICDECOMPRESS*>(lParam1),
                                            lParam2);
        case ICM_DECOMPRESS_END:
            if (!decompressor) return ICERR_BADHANDLE;
            return decompressor->End();
        default:
            // Whatever else a compression manager asks is not ours to do.
            if (message >= DRV_USER) return ICERR_UNSUPPORTED;
            return DefDriverProc(id, driver, message, lParam1, lParam2);
    }
}
