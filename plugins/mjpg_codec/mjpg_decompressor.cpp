#include "mjpg_decompressor.h"

#include "jpeg_frame.h"
#include "mjpg_formats.h"

#include <turbojpeg.h>

namespace kmxmjpg {

LRESULT MjpgDecompressor::Begin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
    if (!in || !out) return ICERR_BADPARAM;
    LRESULT answer = QueryFormats(in, out);
    begun_ = answer == ICERR_OK;
    return answer;
}

LRESULT MjpgDecompressor::Decompress(const ICDECOMPRESS* record, LPARAM size) const {
    if (!record || size != sizeof *record) return ICERR_BADPARAM;
    const BITMAPINFOHEADER* in = record->lpbiInput;
    const BITMAPINFOHEADER* out = record->lpbiOutput;
    if (!in || !out || !record->lpOutput) return ICERR_BADPARAM;
    if (QueryFormats(in, out) != ICERR_OK) return ICERR_BADFORMAT;
    if (!begun_) return ICERR_ERROR;
    // A null frame repeats the last one: the image stays as it is.
    if (record->dwFlags & ICDECOMPRESS_NULLFRAME) return ICERR_OK;
    if (!record->lpInput) return ICERR_BADPARAM;
    if (in->biSizeImage == 0) return ICERR_BADSIZE;
    uint64_t image = DibImageSize(*out);
    if (out->biSizeImage != 0 && out->biSizeImage < image) return ICERR_BADSIZE;

    kmxjpeg::Decompressor decompressor;
    if (!decompressor.get()) return ICERR_MEMORY;
    const auto* frame = static_cast<const uint8_t*>(record->lpInput);
    kmxjpeg::FrameHeader header;
    if (!kmxjpeg::ReadHeader(decompressor.get(), frame, in->biSizeImage, header))
        return ICERR_ERROR;
    // A frame of another size than its format would be written past the
    // rows the output has.
    if (header.width != in->biWidth || header.height != in->biHeight) return ICERR_BADIMAGESIZE;
    size_t pitch = size_t(image / uint64_t(header.height));
    int pixel_format = out->biBitCount == 32 ? TJPF_BGRX : TJPF_BGR;
    int flags = out->biHeight > 0 ? TJFLAG_BOTTOMUP : 0;
    if (!kmxjpeg::DecodeRows(decompressor.get(), frame, in->biSizeImage, header, pixel_format,
                             flags, static_cast<uint8_t*>(record->lpOutput), pitch))
        return ICERR_ERROR;
    return ICERR_OK;
}

LRESULT MjpgDecompressor::End() {
    begun_ = false;
    return ICERR_OK;
}

}  // namespace kmxmjpg
