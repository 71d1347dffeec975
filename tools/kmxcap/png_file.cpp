// PNG files of single frames, through libpng.
#include <png.h>

#include "failures.h"
#include "frame_sink.h"
#include "pixel_rows.h"

#include <cstdio>

namespace kmxcap {

bool IsPngPath(const std::string& path) {
    return path.size() > 4 && (path.compare(path.size() - 4, 4, ".png") == 0 ||
                               path.compare(path.size() - 4, 4, ".PNG") == 0);
}

void WritePng(const std::string& path, const BITMAPINFOHEADER& format, const BYTE* data,
              size_t size) {
    std::vector<BYTE> rgb = RgbRows(format, data, size);
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) throw kmxtool::Failure("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    // Set inside the setjmp block, so kept where a longjmp cannot clobber it.
    volatile bool written = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        auto width = static_cast<png_uint_32>(format.biWidth);
        auto height = static_cast<png_uint_32>(format.biHeight);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (png_uint_32 row = 0; row < height; ++row)
            png_write_row(png, rgb.data() + static_cast<size_t>(row) * width * 3);
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    bool closed = fclose(file) == 0;
    if (!closed || !written) throw kmxtool::Failure("cannot write " + path);
}

}  // namespace kmxcap
