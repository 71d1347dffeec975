// What a simulated camera is: its identity, the modes it streams, its native
// sizes and the properties it answers. Profiles come from the text file that
// ships with the service (data/camera_profiles.ini documents the format).
#pragma once

#include <windows.h>
#include <kmx512u/kmxpi.h>

#include "pan_tilt_zoom.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kmxcam {

struct ModeSpec {
    uint32_t compression = 0;  // FourCC
    uint8_t bits_per_pixel = 0;
    uint16_t width_step = 1, height_step = 1;
    uint16_t min_width = 0, min_height = 0;
    uint16_t max_width = 0, max_height = 0;
    uint16_t width = 0, height = 0;  // the mode's default size
    uint32_t period_ms = 33;
};

enum class Access { ReadWrite, ReadOnly, ResetOnly };

struct PropertySpec {
    GUID set{};
    std::string set_name;  // the short name the profile file gives the set
    uint32_t id = 0;
    uint32_t size = 0;
    Access access = Access::ReadWrite;
    // Inclusive limits of successive value words (the whole value when it
    // is four bytes or less); words without a range take anything.
    std::vector<std::pair<int64_t, int64_t>> ranges;
    // The only values the first word may take, when the page that shows it
    // knows no others (empty: any within the range).
    std::vector<int64_t> choices;
    std::vector<uint8_t> default_value;

    // Whether VALUE keeps the ranges and choices.
    bool Allows(std::span<const uint8_t> value) const;
};

// A value word as ranges and choices read it: one- and two-byte values are
// unsigned and have only word 0; the words of longer values are signed 32-bit.
int64_t ValueWord(std::span<const uint8_t> value, size_t word);

struct CameraProfile {
    std::string name;
    std::string description;
    uint32_t identity1 = 0, identity2 = 0;
    uint32_t device_id1 = 0, device_id2 = 0;
    // Many webcams leave the Huffman tables out of their JPEG frames and
    // rely on the standard ones; a profile can do the same.
    bool huffman_tables = true;
    std::vector<ModeSpec> modes;
    std::vector<PropertySpec> properties;
    // Cameras that deliver a window of their field answer the camera set's
    // ids 10 to 13 from this.
    std::optional<PanTiltZoomOptics> pan_tilt_zoom;

    const PropertySpec* FindProperty(const GUID& set, uint32_t id) const;
    bool HasSet(const GUID& set) const;
};

struct ProfileSet {
    std::vector<CameraProfile> profiles;
    const CameraProfile* Find(const std::string& name) const;
};

// Parses the profile file's text; on failure nullopt and ERROR names the
// line and what is wrong with it.
std::optional<ProfileSet> ParseProfiles(const std::string& text, std::string& error);
std::optional<ProfileSet> LoadProfiles(const std::string& path, std::string& error);
// The profile file shipped beside the service's programs, unless
// KMX512_CAMERA_PROFILES names another.
std::string DefaultProfilePath();

// The property sets every camera shares with its clients.
namespace sets {
constexpr GUID kCamera = KMXPI_PROPSET_CAMERA;
constexpr GUID kVideoProcAmp = KMXPI_PROPSET_VIDEOPROCAMP;
// Notifications; id 0 is removal.
constexpr GUID kNotification = KMXPI_NOTIFYSET_CAMERA;
}  // namespace sets

// Ids within the camera's own set that change the frames it sends. The
// window geometry is four words: field width and height, window width and
// height; the position two: the window's left and top in the field.
namespace camera_ids {
constexpr uint32_t kFlip = 4, kMirror = 5, kWindowGeometry = 10, kWindowPosition = 11,
                   kZoomMaximum = 12, kZoom = 13;
constexpr uint32_t kFirstNativeSize = 16, kLastNativeSize = 30;
}  // namespace camera_ids
namespace procamp_ids {
constexpr uint32_t kBrightness = 0, kContrast = 1, kSaturation = 3;
}

bool operator==(const GUID& a, const GUID& b);
std::optional<GUID> ParseGuid(const std::string& text);
std::string GuidText(const GUID& guid);

}  // namespace kmxcam
