#include "jpeg_check.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace kmxcamtest {

namespace {
struct JpegError {
    jpeg_error_mgr base;
    jmp_buf escape;
};
}  // namespace

std::optional<DecodedJpeg> DecodeJpeg(const std::vector<uint8_t>& data) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = [](j_common_ptr common) {
        longjmp(reinterpret_cast<JpegError*>(common->err)->escape, 1);
    };
    error.base.output_message = [](j_common_ptr) {};
    std::vector<uint8_t> row;
    if (setjmp(error.escape)) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&info);
    row.resize(info.output_width);
    double sum = 0;
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (uint8_t value : row) sum += value;
    }
    DecodedJpeg decoded{static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                        sum / (double(info.output_width) * info.output_height)};
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return decoded;
}

}  // namespace kmxcamtest
