// The gallery's pictures against the checked-in references: how the
// controls and the sample property sheet look, to a small tolerance for
// the font rasteriser's rounding. When a change to the drawing is meant,
// scripts/update_gallery_pictures.sh writes the references anew.
#include <gtest/gtest.h>

#include <cairo.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/test_environment.h"

namespace {

namespace fs = std::filesystem;

// A pixel counts as changed when a channel moves by more than this; a
// picture matches while at most this share of its pixels changed.
constexpr int kChannelTolerance = 40;
constexpr double kChangedShare = 0.005;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // cairo's ARGB32, row after row
};

std::optional<Picture> ReadPng(const fs::path& path) {
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

std::set<std::string> PngNames(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.path().extension() == ".png") names.insert(entry.path().filename().string());
    return names;
}

TEST(GalleryPictureTest, TheGalleryLooksAsItsReferencePictures) {
    // Left in the build tree, so that a failure can be looked at.
    fs::path written = KMX_GALLERY_OUTPUT;
    fs::path references = KMX_GALLERY_REFERENCES;
    fs::remove_all(written);
    fs::create_directories(written);

    setenv("KMX512_DISPLAY", "headless", 1);
    kmxtest::ChildProcess gallery(kmxtest::ProgramPath("kmxwin-gallery"),
                                  {"--snapshot", written.string()});
    int status = gallery.Wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    std::set<std::string> names = PngNames(written);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names, PngNames(references))
        << "the gallery's pictures and the references differ in number; "
           "scripts/update_gallery_pictures.sh writes the references anew";
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::optional<Picture> made = ReadPng(written / name);
        std::optional<Picture> expected = ReadPng(references / name);
        ASSERT_TRUE(made);
        if (!expected) continue;  // reported above
        ASSERT_EQ(made->width, expected->width);
        ASSERT_EQ(made->height, expected->height);
        int changed = ChangedPixels(*made, *expected);
        EXPECT_LE(changed, kChangedShare * made->pixels.size())
            << (written / name) << " differs from " << (references / name) << " in " << changed
            << " pixels; if the change is meant, scripts/update_gallery_pictures.sh writes the "
               "references anew";
    }
}

}  // namespace
