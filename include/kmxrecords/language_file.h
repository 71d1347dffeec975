// The language file "kmx512u.cfg" beside the library, byte for byte: the
// one definition that the library, which reads it, and kmxlang, which
// builds and checks it, share.
//
// A 12-byte header of three signed little-endian 32-bit words, then the
// cells: N + 1 rows of L + 1 cells of W bytes. Row 0 holds the language
// names in columns 1 to L (cell (0, 0) is unused), column 0 the keys of rows
// 1 to N; cell (r, c) holds the text of key r in language c - 1. Every cell
// is a zero-terminated text in the ANSI code page, padded to W bytes. Bytes
// after the last cell are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kmx {

inline constexpr char kLanguageFileName[] = "kmx512u.cfg";

struct LanguageFileHeader {
    int32_t languages;   // L
    int32_t entries;     // N
    int32_t cell_width;  // W
};
static_assert(sizeof(LanguageFileHeader) == 12);
static_assert(offsetof(LanguageFileHeader, entries) == 4 &&
              offsetof(LanguageFileHeader, cell_width) == 8);

// The bytes of the cells that HEADER announces, or nullopt for a header the
// format cannot describe: a negative entry count, no language, a cell width
// below 1, or cells that do not fit in 32 bits.
constexpr std::optional<uint32_t> LanguageCellsSize(const LanguageFileHeader& header) {
    if (header.languages < 1 || header.entries < 0 || header.cell_width < 1) return std::nullopt;
    uint64_t size = (uint64_t(header.entries) + 1) * (uint64_t(header.languages) + 1) *
                    uint64_t(header.cell_width);
    if (size > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(size);
}

// Where cell (ROW, COLUMN) starts within the cells.
constexpr size_t LanguageCellOffset(const LanguageFileHeader& header, int row, int column) {
    return (size_t(row) * (size_t(header.languages) + 1) + size_t(column)) *
           size_t(header.cell_width);
}

// Every key that the library's windows look up, by window.
inline constexpr const char* kLanguageKeys[] = {
    // Video Source property sheet
    "VideoSource", "Standard", "Advanced", "Zoom",
    // Standard page
    "Settings", "Brightness", "Contrast", "Colour", "Defaults", "BandingFilter", "50Hz", "60Hz",
    "NeverFlicker", "DisableBandFilter", "CompressionControl", "FasterVideo", "BetterQuality",
    "LowLightBoost", "LightingControls",
    // Advanced page
    "SpeedLight", "HighSpeed", "Medium", "LowLight", "Automatic", "Backlit", "SpeedQuality",
    "Monochrome", "FastColour", "HighQualityColour", "DefectCorrection1", "DefectCorrection2",
    "UsbConnection", "MaximumAllowed", "CurrentlyAllocated", "ErrorCheck", "None", "UseAvailable",
    "10%Reserved", "32%Reserved", "37%Reserved", "53%Reserved", "59%Reserved", "64%Reserved",
    "74%Reserved", "80%Reserved", "85%Reserved",
    // Zoom page
    "Orientation", "Flip", "Mirror", "PanTiltZoom", "ZoomCtl",
    // Video Format dialog
    "VideoFormat", "CameraSelect", "ImageSize", "ImageFormat", "VFFOV", "ScaleUp", "ScaleDown",
    "Cancel",
    // Driver Information dialog ("Cancel" as above)
    "DriverInformation", "Language", "Version", "CameraSelection", "CameraInformation",
    "FirmwareVersion", "SensorType"};

}  // namespace kmx
