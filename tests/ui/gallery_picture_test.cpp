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
#include "picture_compare.h"

namespace {

namespace fs = std::filesystem;

using kmxtest::ChangedPixels;
using kmxtest::kChangedShare;
using kmxtest::Picture;
using kmxtest::ReadPng;

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
