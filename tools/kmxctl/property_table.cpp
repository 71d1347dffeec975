#include "property_table.h"

#include <kmx512u/kmxpi.h>

#include "command_line.h"

#include <cstring>

namespace kmxctl {
namespace {

std::vector<Property> MakeProperties() {
    using enum ValueKind;
    const GUID camera = KMXPI_PROPSET_CAMERA, image = KMXPI_PROPSET_IMAGE,
               quality = KMXPI_PROPSET_QUALITY, usb = KMXPI_PROPSET_USB,
               compression = KMXPI_PROPSET_COMPRESSION, light = KMXPI_PROPSET_LIGHT,
               procamp = KMXPI_PROPSET_VIDEOPROCAMP;
    std::vector<Property> table = {
        {"firmware-version", camera, KMXPI_CAMERA_FIRMWARE_VERSION, 2, Firmware, true,
         "firmware version"},
        {"sensor-type", camera, KMXPI_CAMERA_SENSOR_TYPE, 2, Sensor, true, "sensor type"},
        {"camera-text", camera, KMXPI_CAMERA_INFORMATION_TEXT, 32, Text, false,
         "camera information text, at most 31 characters"},
        {"flip", camera, KMXPI_CAMERA_FLIP, 1, Number, false,
         "vertical flip by the camera, 0 or 1"},
        {"mirror", camera, KMXPI_CAMERA_MIRROR, 1, Number, false,
         "horizontal mirror by the camera, 0 or 1"},
        {"banding-frequency", camera, KMXPI_CAMERA_BANDING_FREQUENCY, 1, Banding, false,
         "mains frequency of the banding filter, 50 or 60"},
        {"image-size", camera, KMXPI_CAMERA_IMAGE_SIZE, 8, Size, false, "image size, WxH"},
        {"speed-light-capabilities", camera, KMXPI_CAMERA_SPEED_LIGHT_CAPS, 1, Number, true,
         "speed/light choices offered (bits: 0 high speed, 1 medium, 2 low light, 7 automatic)"},
        {"speed-light", camera, KMXPI_CAMERA_SPEED_LIGHT, 1, Number, false, "speed/light level"},
        {"pan-tilt-limits", camera, KMXPI_CAMERA_PAN_TILT_LIMITS, 16, Words, true,
         "field and window: full width, full height, window width, window height"},
        {"pan-tilt", camera, KMXPI_CAMERA_PAN_TILT, 8, Words, false,
         "window position in the field, X,Y"},
        {"zoom-maximum", camera, KMXPI_CAMERA_ZOOM_MAXIMUM, 1, Number, true,
         "zoom maximum; 0 means no zoom"},
        {"zoom", camera, KMXPI_CAMERA_ZOOM, 1, Number, false, "zoom level, 0 to the zoom maximum"},
        {"never-flicker", camera, KMXPI_CAMERA_NEVER_FLICKER, 1, Number, false,
         "never flicker, 0 or 1"},
        {"backlight", camera, KMXPI_CAMERA_BACKLIGHT, 1, Number, false,
         "backlight compensation, 0 or 1"},
        {"size-selection", image, KMXPI_IMAGE_SIZE_SELECTION, 1, Number, false,
         "non-native RGB sizes: 0 keep, 1 scale from the next smaller native size, 2 from the next "
         "larger"},
        {"library-flip", image, KMXPI_IMAGE_FLIP, 1, Number, false,
         "vertical flip by the library, 0 or 1"},
        {"library-mirror", image, KMXPI_IMAGE_MIRROR, 1, Number, false,
         "horizontal mirror by the library, 0 or 1"},
        {"speed-quality", quality, KMXPI_QUALITY_SPEED, 1, Number, false,
         "speed/quality: 0, 1 or 3"},
        {"defect-correction-1", quality, KMXPI_QUALITY_DEFECT_1, 1, Number, false,
         "defect correction 1, 0 or 1"},
        {"defect-correction-2", quality, KMXPI_QUALITY_DEFECT_2, 1, Number, false,
         "defect correction 2, 0 or 1"},
        {"usb-bandwidth-limit", usb, KMXPI_USB_MAXIMUM_BANDWIDTH, 1, Number, false,
         "maximum USB bandwidth allowed (six choices)"},
        {"usb-bandwidth", usb, KMXPI_USB_BANDWIDTH, 1, Number, true, "USB bandwidth allocated now"},
        {"usb-error-checking", usb, KMXPI_USB_ERROR_CHECKING, 1, Number, false,
         "USB error checking, 0 or 1"},
        {"bandwidth-limit", compression, KMXPI_COMPRESSION_MAXIMUM_BANDWIDTH, 1, Number, false,
         "maximum USB bandwidth allowed (three choices)"},
        {"bandwidth", compression, KMXPI_COMPRESSION_BANDWIDTH, 1, Number, true,
         "USB bandwidth allocated now"},
        {"compression-level", compression, KMXPI_COMPRESSION_LEVEL, 1, Number, false,
         "compression level"},
        {"banding-filter-off", compression, KMXPI_COMPRESSION_NO_BANDING_FILTER, 1, Number, false,
         "banding filter disabled, 0 or 1"},
        {"light-reset-0", light, KMXPI_LIGHT_RESET_0, 0, ResetOnly, false,
         "light setting 0, reset to default only"},
        {"light-reset-3", light, KMXPI_LIGHT_RESET_3, 0, ResetOnly, false,
         "light setting 3, reset to default only"},
        {"low-light-boost", light, KMXPI_LIGHT_LOW_LIGHT, 1, Number, false,
         "low light boost, 0 or 1"},
        {"brightness", procamp, KMXPI_PROCAMP_BRIGHTNESS, 12, ProcAmp, false, "brightness"},
        {"contrast", procamp, KMXPI_PROCAMP_CONTRAST, 12, ProcAmp, false, "contrast"},
        {"saturation", procamp, KMXPI_PROCAMP_SATURATION, 12, ProcAmp, false,
         "saturation (\"Colour\")"},
    };
    for (DWORD id = KMXPI_CAMERA_FIRST_NATIVE_SIZE; id <= KMXPI_CAMERA_LAST_NATIVE_SIZE; ++id)
        table.push_back({"native-size-" + std::to_string(id - KMXPI_CAMERA_FIRST_NATIVE_SIZE + 1),
                         camera, id, 8, Size, true, "a native image size of the camera"});
    return table;
}

DWORD Word(const std::vector<BYTE>& value, size_t index) {
    DWORD word = 0;
    memcpy(&word, value.data() + 4 * index, sizeof word);
    return word;
}

uint64_t Unsigned(const std::vector<BYTE>& value) {
    uint64_t number = 0;
    memcpy(&number, value.data(), std::min<size_t>(value.size(), sizeof number));
    return number;
}

std::string Printed(const char* format, int a, int b) {
    char text[32];
    snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

const std::vector<Property>& Properties() {
    static const std::vector<Property> table = MakeProperties();
    return table;
}

const Property& FindProperty(const std::string& name) {
    std::string names;
    for (const Property& property : Properties()) {
        if (property.name == name) return property;
        names += (names.empty() ? "" : ", ") + property.name;
    }
    throw UsageError("no property '" + name + "'; the properties are " + names +
                     " (or --set GUID --id N for any other)");
}

std::string ValueText(const Property& property, const std::vector<BYTE>& value) {
    switch (property.kind) {
        case ValueKind::Number:
            return std::to_string(Unsigned(value));
        case ValueKind::Banding:
            return value[0] ? "50 Hz" : "60 Hz";
        case ValueKind::Text:
            return std::string(reinterpret_cast<const char*>(value.data()),
                               strnlen(reinterpret_cast<const char*>(value.data()), value.size()));
        case ValueKind::Size:
            return std::to_string(Word(value, 0)) + "x" + std::to_string(Word(value, 1));
        case ValueKind::Words: {
            std::string text;
            for (size_t i = 0; i < value.size() / 4; ++i)
                text += (i ? "," : "") + std::to_string(static_cast<int32_t>(Word(value, i)));
            return text;
        }
        case ValueKind::ProcAmp:
            return std::to_string(static_cast<int32_t>(Word(value, 0))) + " (flags " +
                   std::to_string(Word(value, 1)) + ", capabilities " +
                   std::to_string(Word(value, 2)) + ")";
        case ValueKind::Firmware:
            return Printed("%01d-%02d", value[0], value[1]);
        case ValueKind::Sensor:
            return Printed("%3d (%d)", value[0] * 16 + value[1] / 16, value[1] % 16);
        case ValueKind::ResetOnly:
            break;
    }
    return "";
}

Json ValueJson(const Property& property, const std::vector<BYTE>& value) {
    switch (property.kind) {
        case ValueKind::Number:
            return Json(Unsigned(value));
        case ValueKind::Banding:
            return Json(value[0] ? 50 : 60);
        case ValueKind::Size:
            return Json::Object().Add("width", Word(value, 0)).Add("height", Word(value, 1));
        case ValueKind::Words: {
            Json words = Json::Array();
            for (size_t i = 0; i < value.size() / 4; ++i)
                words.Push(static_cast<int64_t>(static_cast<int32_t>(Word(value, i))));
            return words;
        }
        case ValueKind::ProcAmp:
            return Json::Object()
                .Add("value", static_cast<int64_t>(static_cast<int32_t>(Word(value, 0))))
                .Add("flags", Word(value, 1))
                .Add("capabilities", Word(value, 2));
        case ValueKind::Firmware:
        case ValueKind::Sensor:
            return Json::Object()
                .Add("raw", Unsigned(value))
                .Add("shown", ValueText(property, value));
        case ValueKind::Text:
        case ValueKind::ResetOnly:
            break;
    }
    return Json(ValueText(property, value));
}

std::vector<BYTE> ParseValue(const Property& property, const std::string& text,
                             const std::vector<BYTE>& current) {
    std::vector<BYTE> value(property.size, 0);
    const std::string what = property.name;
    switch (property.kind) {
        case ValueKind::Number: {
            uint64_t most = property.size >= 8 ? ~0ull : (1ull << (8 * property.size)) - 1;
            uint64_t number = ParseUnsigned(text, what, most);
            memcpy(value.data(), &number, property.size);
            return value;
        }
        case ValueKind::Banding:
            if (text != "50" && text != "60")
                throw UsageError(what + " is 50 or 60, not '" + text + "'");
            value[0] = text == "50";
            return value;
        case ValueKind::Text:
            // The camera keeps a terminated text in its bytes: a longer one
            // is refused rather than cut unseen.
            if (text.size() >= property.size)
                throw UsageError(what + " takes at most " + std::to_string(property.size - 1) +
                                 " characters");
            memcpy(value.data(), text.data(), text.size());
            return value;
        case ValueKind::Size: {
            size_t x = text.find('x');
            if (x == std::string::npos) throw UsageError(what + " is written WxH, like 640x480");
            DWORD size[2] = {
                static_cast<DWORD>(ParseUnsigned(text.substr(0, x), what + " width", MAXDWORD)),
                static_cast<DWORD>(ParseUnsigned(text.substr(x + 1), what + " height", MAXDWORD))};
            memcpy(value.data(), size, sizeof size);
            return value;
        }
        case ValueKind::Words: {
            size_t count = property.size / 4, start = 0;
            for (size_t i = 0; i < count; ++i) {
                size_t comma = text.find(',', start);
                if ((comma == std::string::npos) != (i + 1 == count))
                    throw UsageError(what + " takes " + std::to_string(count) +
                                     " numbers, like 10,-5");
                int32_t word = ParseSigned(text.substr(start, comma - start), what);
                memcpy(value.data() + 4 * i, &word, sizeof word);
                start = comma + 1;
            }
            return value;
        }
        case ValueKind::ProcAmp: {
            // Flags and capabilities stay as the camera has them.
            value = current;
            int32_t number = ParseSigned(text, what);
            memcpy(value.data(), &number, sizeof number);
            return value;
        }
        case ValueKind::Firmware:
        case ValueKind::Sensor:
        case ValueKind::ResetOnly:
            break;
    }
    throw UsageError(what + " cannot be set");
}

}  // namespace kmxctl
