// Pictures of windows against checked-in reference PNGs, to a small
// tolerance for the font rasteriser's rounding.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kmxtest {

// A pixel counts as changed when a channel moves by more than this; a
// picture matches while at most this share of its pixels changed.
inline constexpr int kChannelTolerance = 40;
inline constexpr double kChangedShare = 0.005;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // cairo's ARGB32, row after row
};

std::optional<Picture> ReadPng(const std::filesystem::path& path);

// The pixels of A and B (of one size) that differ by more than the tolerance.
int ChangedPixels(const Picture& a, const Picture& b);

// Writes WINDOW's picture as NAME into the test's directory and expects it
// to match the reference NAME in REFERENCES; with KMX512_WRITE_REFERENCE set
// in the environment, the reference is written anew instead.
void ExpectWindowPicture(HWND window, const std::filesystem::path& references,
                         const std::string& name);

}  // namespace kmxtest
