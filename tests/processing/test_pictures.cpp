#include "test_pictures.h"

#include <csetjmp>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

namespace kmxtest {

namespace {

uint8_t Clamp(double value) {
    return uint8_t(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
}

struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf escape;
};

void ErrorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

double Luma(const uint8_t* rgb) {
    return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
}

double PsnrOf(double squared_error, size_t samples) {
    if (squared_error == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 * double(samples) / squared_error);
}

}  // namespace

Picture MakePicture(int width, int height) {
    Picture picture{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = &picture.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            double fx = double(x) / width, fy = double(y) / height;
            pixel[0] = Clamp(255 * fx);
            pixel[1] = Clamp(255 * fy);
            pixel[2] = Clamp(128 + 100 * std::sin(6.0 * fx + 3.0 * fy));
            // A dark block in the upper left quarter gives hard edges.
            if (fx > 0.1 && fx < 0.3 && fy > 0.1 && fy < 0.25) pixel[0] = pixel[1] = pixel[2] = 20;
        }
    }
    return picture;
}

std::vector<uint8_t> EncodeJpeg(const Picture& picture, const JpegOptions& options) {
    jpeg_compress_struct info{};
    ErrorManager error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = ErrorExit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.escape)) {
        jpeg_destroy_compress(&info);
        free(buffer);
        throw std::runtime_error("libjpeg could not encode the test picture");
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (options.subsampling == Subsampling::kGray) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    jpeg_set_quality(&info, options.quality, TRUE);
    int h = options.subsampling == Subsampling::k444 ? 1 : 2;
    int v = options.subsampling == Subsampling::k420 ? 2 : 1;
    info.comp_info[0].h_samp_factor = options.subsampling == Subsampling::kGray ? 1 : h;
    info.comp_info[0].v_samp_factor = options.subsampling == Subsampling::kGray ? 1 : v;
    info.restart_in_rows = options.restart_rows;
    info.optimize_coding = options.own_tables ? TRUE : FALSE;
    if (!options.huffman_tables) {
        // Marked as already sent, the standard tables are used but never
        // written, as many webcams do.
        for (int i = 0; i < 2; ++i) {
            info.dc_huff_tbl_ptrs[i]->sent_table = TRUE;
            info.ac_huff_tbl_ptrs[i]->sent_table = TRUE;
        }
    }
    jpeg_start_compress(&info, options.huffman_tables ? TRUE : FALSE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &picture.rgb[size_t(info.next_scanline) * size_t(picture.width) * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> jpeg(buffer, buffer + size);
    free(buffer);
    return jpeg;
}

bool HasMarker(const std::vector<uint8_t>& jpeg, uint8_t code) {
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return true;
    return false;
}

std::vector<uint8_t> Turned(const std::vector<uint8_t>& image, int width, int height, bool flip,
                            bool mirror) {
    std::vector<uint8_t> turned(image.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int from_y = flip ? height - 1 - y : y, from_x = mirror ? width - 1 - x : x;
            for (size_t c = 0; c < 3; ++c)
                turned[(size_t(y) * size_t(width) + size_t(x)) * 3 + c] =
                    image[(size_t(from_y) * size_t(width) + size_t(from_x)) * 3 + c];
        }
    return turned;
}

std::vector<uint8_t> ToBottomUpBgr(const Picture& picture) {
    std::vector<uint8_t> bgr(picture.rgb.size());
    size_t row_bytes = size_t(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* source = &picture.rgb[size_t(y) * row_bytes];
        uint8_t* row = &bgr[size_t(picture.height - 1 - y) * row_bytes];
        for (size_t x = 0; x < row_bytes; x += 3)
            for (size_t c = 0; c < 3; ++c) row[x + c] = source[x + 2 - c];
    }
    return bgr;
}

Picture FromBottomUpBgr(const uint8_t* data, int width, int height) {
    Picture picture{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 3)};
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + size_t(height - 1 - y) * size_t(width) * 3;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                picture.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(c)] =
                    row[x * 3 + 2 - c];
    }
    return picture;
}

Picture FromBottomUpRgb555(const uint8_t* data, int width, int height) {
    Picture picture{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 3)};
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + size_t(height - 1 - y) * size_t(width) * 2;
        for (int x = 0; x < width; ++x) {
            unsigned word = row[2 * x] | (row[2 * x + 1] << 8);
            if (word & 0x8000) throw std::runtime_error("RGB 5-5-5 word with its top bit set");
            uint8_t* pixel = &picture.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            // The middle of each 5-bit step.
            pixel[0] = uint8_t(((word >> 10) & 31) * 8 + 4);
            pixel[1] = uint8_t(((word >> 5) & 31) * 8 + 4);
            pixel[2] = uint8_t((word & 31) * 8 + 4);
        }
    }
    return picture;
}

Picture FromPacked422(const uint8_t* data, int width, int height, bool luma_first) {
    Picture picture{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 3)};
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + size_t(y) * size_t(width) * 2;
        for (int x = 0; x < width; ++x) {
            const uint8_t* pair = row + (x & ~1) * 2;
            int luma_offset = luma_first ? 0 : 1;
            double luma = pair[(x & 1) * 2 + luma_offset];
            // A lone last pixel has only its U sample; V is then taken as
            // neutral grey.
            bool complete = (x | 1) < width;
            double cb = pair[1 - luma_offset] - 128.0;
            double cr = complete ? pair[3 - luma_offset] - 128.0 : 0.0;
            uint8_t* pixel = &picture.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            pixel[0] = Clamp(luma + 1.402 * cr);
            pixel[1] = Clamp(luma - 0.344136 * cb - 0.714136 * cr);
            pixel[2] = Clamp(luma + 1.772 * cb);
        }
    }
    return picture;
}

double Psnr(const Picture& a, const Picture& b) {
    if (a.rgb.size() != b.rgb.size()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    return PsnrOf(sum, a.rgb.size());
}

double LumaPsnr(const Picture& a, const Picture& b) {
    if (a.rgb.size() != b.rgb.size()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        double d = Luma(&a.rgb[i]) - Luma(&b.rgb[i]);
        sum += d * d;
    }
    return PsnrOf(sum, a.rgb.size() / 3);
}

}  // namespace kmxtest
