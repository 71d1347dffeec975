#include "picture_compare.h"

#include <gtest/gtest.h>
#include <kmxwin/window_snapshot.h>

#include <cairo.h>

#include <cstdlib>

#include "common/test_environment.h"

namespace kmxtest {

std::optional<Picture> ReadPng(const std::filesystem::path& path) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::nullopt;
    }
    cairo_surface_t* argb = surface;
    if (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        // RGB24 and the rest, drawn over into one layout for comparing.
        argb =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(surface),
                                       cairo_image_surface_get_height(surface));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    cairo_surface_flush(argb);
    Picture picture;
    picture.width = cairo_image_surface_get_width(argb);
    picture.height = cairo_image_surface_get_height(argb);
    int stride = cairo_image_surface_get_stride(argb);
    const unsigned char* data = cairo_image_surface_get_data(argb);
    for (int y = 0; y < picture.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        picture.pixels.insert(picture.pixels.end(), row, row + picture.width);
    }
    cairo_surface_destroy(argb);
    return picture;
}

int ChangedPixels(const Picture& a, const Picture& b) {
    int changed = 0;
    for (size_t index = 0; index < a.pixels.size(); ++index) {
        for (int shift = 0; shift < 32; shift += 8) {
            int from = (a.pixels[index] >> shift) & 0xFF;
            int to = (b.pixels[index] >> shift) & 0xFF;
            if (std::abs(from - to) > kChannelTolerance) {
                ++changed;
                break;
            }
        }
    }
    return changed;
}

void ExpectWindowPicture(HWND window, const std::filesystem::path& references,
                         const std::string& name) {
    std::filesystem::path written = TestDirectory() + "/" + name;
    std::filesystem::path reference = references / name;
    ASSERT_TRUE(KmxWinSnapshotWindow(window, written.c_str()));
    if (getenv("KMX512_WRITE_REFERENCE"))
        std::filesystem::copy_file(written, reference,
                                   std::filesystem::copy_options::overwrite_existing);
    std::optional<Picture> made = ReadPng(written);
    std::optional<Picture> expected = ReadPng(reference);
    ASSERT_TRUE(made && expected) << reference;
    ASSERT_EQ(made->width, expected->width) << reference;
    ASSERT_EQ(made->height, expected->height) << reference;
    EXPECT_LE(ChangedPixels(*made, *expected), kChangedShare * made->pixels.size())
        << written << " differs from " << reference;
}

}  // namespace kmxtest
