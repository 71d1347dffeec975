// The shipped profiles as the settings pages meet them: every value lies in
// the domain its page shows, the descriptors state the limits and defaults
// the camera keeps, the zoom window stays in the field, and a damaged
// profile is refused.
#include "camera_client.h"

#include <cstring>

namespace kmxcamtest {
namespace {

using Profiles = CameraTest;

const char* const kShipped[] = {"pantilt", "compact", "minimal"};

// Word WORD of the property's value as the camera holds it, or nullopt when
// the camera does not answer it.
std::optional<int64_t> Read(HANDLE device, const GUID& set, uint32_t id, uint32_t size,
                            size_t word = 0) {
    std::vector<BYTE> value(size);
    if (SendInterface(device, kPropertyGetCode, set, id, value, size) != kSuccess)
        return std::nullopt;
    return ValueWord(value, word);
}

TEST_F(Profiles, EveryValueLiesInTheDomainItsPageShows) {
    // Each property a settings page reads, with the values the page can show.
    struct Domain {
        GUID set;
        uint32_t id, size;
        int64_t low, high, step = 1;
    };
    const GUID camera = KMXPI_PROPSET_CAMERA, image = KMXPI_PROPSET_IMAGE,
               quality = KMXPI_PROPSET_QUALITY, usb = KMXPI_PROPSET_USB,
               compression = KMXPI_PROPSET_COMPRESSION, light = KMXPI_PROPSET_LIGHT,
               procamp = KMXPI_PROPSET_VIDEOPROCAMP;
    const Domain domains[] = {
        {procamp, 0, 12, 0, 10000, 100},
        {procamp, 1, 12, 0, 10000, 100},
        {procamp, 3, 12, 0, 10000, 100},
        {camera, 4, 1, 0, 1},
        {camera, 5, 1, 0, 1},
        {camera, 6, 1, 0, 1},
        {camera, 14, 1, 0, 1},
        {camera, 15, 1, 0, 1},
        {image, 1, 1, 0, 1},
        {image, 2, 1, 0, 1},
        {quality, 4, 1, 0, 1},
        {quality, 5, 1, 0, 1},
        {usb, 0, 1, 2, 7},
        {usb, 1, 1, 0, 7},
        {usb, 2, 1, 0, 1},
        {compression, 0, 1, 1, 3},
        {compression, 1, 1, 0, 3},
        {compression, 2, 1, 1, 10},
        {compression, 6, 1, 0, 1},
        {light, 4, 1, 0, 1},
    };
    for (const char* profile : kShipped) {
        SCOPED_TRACE(profile);
        HANDLE device = OpenCamera(Plug(profile, std::string("D") + profile));
        for (const Domain& domain : domains) {
            std::optional<int64_t> value = Read(device, domain.set, domain.id, domain.size);
            if (!value) continue;
            SCOPED_TRACE(GuidText(domain.set) + " " + std::to_string(domain.id));
            EXPECT_GE(*value, domain.low);
            EXPECT_LE(*value, domain.high);
            EXPECT_EQ(*value % domain.step, 0);
        }
        // Speed/quality has buttons for 0, 1 and 3.
        if (auto mode = Read(device, quality, 0, 1)) {
            EXPECT_TRUE(*mode == 0 || *mode == 1 || *mode == 3) << *mode;
        }
        // Speed/light: one offered level, automatic only where offered.
        if (auto offered = Read(device, camera, 8, 1)) {
            EXPECT_EQ(*offered & ~0x87, 0);
            std::optional<int64_t> level = Read(device, camera, 9, 1);
            ASSERT_TRUE(level);
            int64_t speed = *level & 0x0F;
            EXPECT_TRUE(speed == 1 || speed == 2 || speed == 4) << *level;
            EXPECT_NE(speed & *offered, 0);
            EXPECT_EQ(*level & 0x80 & ~*offered, 0);
        }
        // The pan/tilt control takes a field, a window inside it and a
        // position that keeps the window in the field.
        if (auto field_width = Read(device, camera, 10, 16, 0)) {
            int64_t field_height = *Read(device, camera, 10, 16, 1),
                    window_width = *Read(device, camera, 10, 16, 2),
                    window_height = *Read(device, camera, 10, 16, 3);
            EXPECT_GT(window_width, 0);
            EXPECT_GT(window_height, 0);
            EXPECT_LE(window_width, *field_width);
            EXPECT_LE(window_height, field_height);
            EXPECT_LE(*Read(device, camera, 11, 8, 0), *field_width - window_width);
            EXPECT_LE(*Read(device, camera, 11, 8, 1), field_height - window_height);
            EXPECT_LE(*Read(device, camera, 13, 1), *Read(device, camera, 12, 1));
        }
        CloseHandle(device);
    }
}

TEST_F(Profiles, DescriptorsStateTheLimitsAndDefaultsTheCameraKeeps) {
    for (const char* profile : kShipped) {
        SCOPED_TRACE(profile);
        HANDLE device = OpenCamera(Plug(profile, std::string("D") + profile));
        std::vector<BYTE> record(sizeof(PropertyDescriptor)), none;
        uint32_t index[3] = {0, 0, 0};
        for (; SendDebug(device, kDebugPropertyDescriptorCode, index, record) == kSuccess;
             ++index[0]) {
            PropertyDescriptor descriptor;
            std::memcpy(&descriptor, record.data(), sizeof descriptor);
            SCOPED_TRACE(descriptor.name);
            if (descriptor.access == kResetOnly) continue;
            // A fresh camera holds every default.
            std::vector<BYTE> value(descriptor.size);
            ASSERT_EQ(SendInterface(device, kPropertyGetCode, descriptor.set, descriptor.id, value,
                                    descriptor.size),
                      kSuccess);
            EXPECT_EQ(ValueWord(value, 0), descriptor.default_value);
            if (descriptor.access != kReadWrite || !descriptor.limited) continue;
            // The limits are the camera's: both ends taken, one beyond refused.
            int64_t smallest = descriptor.size >= 4 ? INT32_MIN : 0,
                    largest = descriptor.size >= 4 ? INT32_MAX : (1ll << (8 * descriptor.size)) - 1;
            auto write = [&](int64_t word) {
                std::vector<BYTE> written = value;
                int32_t bits = static_cast<int32_t>(word);
                std::memcpy(written.data(), &bits, std::min<size_t>(written.size(), 4));
                return SendInterface(device, kPropertySetCode, descriptor.set, descriptor.id,
                                     written, descriptor.size);
            };
            EXPECT_EQ(write(descriptor.minimum), kSuccess);
            EXPECT_EQ(write(descriptor.maximum), kSuccess);
            if (descriptor.minimum > smallest) {
                EXPECT_EQ(write(descriptor.minimum - 1), kBadParameter);
            }
            if (descriptor.maximum < largest) {
                EXPECT_EQ(write(descriptor.maximum + 1), kBadParameter);
            }
            EXPECT_EQ(
                SendInterface(device, kPropertyDefaultCode, descriptor.set, descriptor.id, none, 0),
                kSuccess);
        }
        EXPECT_GT(index[0], 5u);
        CloseHandle(device);
    }
}

TEST_F(Profiles, ZoomResizesTheWindowAndKeepsItInTheField) {
    auto geometry = [&](HANDLE device) {
        std::vector<int64_t> words;
        for (size_t word = 0; word < 4; ++word)
            words.push_back(*Read(device, sets::kCamera, camera_ids::kWindowGeometry, 16, word));
        for (size_t word = 0; word < 2; ++word)
            words.push_back(*Read(device, sets::kCamera, camera_ids::kWindowPosition, 8, word));
        return words;
    };
    auto set = [&](HANDLE device, uint32_t id, std::vector<uint32_t> words) {
        std::vector<BYTE> value(id == camera_ids::kZoom ? 1 : 8);
        std::memcpy(value.data(), words.data(), value.size());
        return SendInterface(device, kPropertySetCode, sets::kCamera, id, value,
                             static_cast<uint32_t>(value.size()));
    };
    std::vector<BYTE> none;
    auto reset = [&](uint32_t id) {
        return SendInterface(device_, kPropertyDefaultCode, sets::kCamera, id, none, 0);
    };

    EXPECT_EQ(geometry(device_), (std::vector<int64_t>{640, 480, 640, 480, 0, 0}));
    EXPECT_EQ(set(device_, camera_ids::kWindowPosition, {1, 0}), kBadParameter);
    // The highest step: the smallest window, zoomed into the middle.
    ASSERT_EQ(set(device_, camera_ids::kZoom, {8}), kSuccess);
    EXPECT_EQ(geometry(device_), (std::vector<int64_t>{640, 480, 160, 120, 240, 180}));
    EXPECT_EQ(set(device_, camera_ids::kWindowPosition, {480, 360}), kSuccess);
    EXPECT_EQ(set(device_, camera_ids::kWindowPosition, {481, 0}), kBadParameter);
    EXPECT_EQ(set(device_, camera_ids::kWindowPosition, {0xFFFFFFFF, 0}), kBadParameter);
    // Zooming out in the corner: the larger window is pushed back inside.
    ASSERT_EQ(set(device_, camera_ids::kZoom, {4}), kSuccess);
    EXPECT_EQ(geometry(device_), (std::vector<int64_t>{640, 480, 400, 300, 240, 180}));
    ASSERT_EQ(reset(camera_ids::kWindowPosition), kSuccess);
    EXPECT_EQ(geometry(device_), (std::vector<int64_t>{640, 480, 400, 300, 120, 90}));
    ASSERT_EQ(reset(camera_ids::kZoom), kSuccess);
    EXPECT_EQ(geometry(device_), (std::vector<int64_t>{640, 480, 640, 480, 0, 0}));

    // A camera without zoom pans its window over a larger field.
    HANDLE compact = OpenCamera(Plug("compact", "C1"));
    EXPECT_EQ(geometry(compact), (std::vector<int64_t>{704, 576, 352, 288, 176, 144}));
    EXPECT_EQ(set(compact, camera_ids::kZoom, {1}), kBadParameter);
    EXPECT_EQ(set(compact, camera_ids::kWindowPosition, {352, 288}), kSuccess);
    EXPECT_EQ(set(compact, camera_ids::kWindowPosition, {353, 0}), kBadParameter);
    CloseHandle(compact);
}

TEST(ProfileFile, DamagedProfilesAreRefusedWithTheirLine) {
    const std::string head =
        "set s = {2BBD8342-6AA2-11D3-A076-00A024AD71C2}\n[profile p]\n"
        "mode = MJPG 24 step 8 8 min 160x120 max 320x240 size 320x240\n";
    for (auto [line, error] : {
             std::pair{"property = s 4 1 rw range 0..1 2", "line 4: the default lies outside"},
             {"property = s 9 1 rw choices 1,2 4", "line 4: the default lies outside"},
             {"pan-tilt-zoom = field 320x240 window 640x480", "line 4: the window must fit"},
             {"pan-tilt-zoom = field 640x480 window 320x240 to 400x300 steps 2",
              "line 4: the window must fit"},
             {"pan-tilt-zoom = field 640x480 window 640x480 to 160x120 steps 0",
              "line 4: zoom steps"},
         }) {
        std::string message;
        EXPECT_FALSE(ParseProfiles(head + line + "\n", message)) << line;
        EXPECT_EQ(message.rfind(error, 0), 0u) << message;
    }
    std::string message;
    EXPECT_FALSE(ParseProfiles(head + "pan-tilt-zoom = field 64x48 window 64x48\n"
                                      "property = s 10 16 ro 1 2 3 4\n",
                               message));
    EXPECT_EQ(message, "line 5: property s 10 given twice");
}

}  // namespace
}  // namespace kmxcamtest
