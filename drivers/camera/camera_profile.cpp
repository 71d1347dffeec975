#include "camera_profile.h"

#include "camera_records.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace kmxcam {

bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::optional<GUID> ParseGuid(const std::string& input) {
    std::string text = input;
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    std::string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) continue;
        if (!isxdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        digits += text[i];
    }
    auto field = [&](size_t at, size_t count) {
        return std::stoul(digits.substr(at, count), nullptr, 16);
    };
    GUID guid{};
    guid.Data1 = static_cast<ULONG>(field(0, 8));
    guid.Data2 = static_cast<USHORT>(field(8, 4));
    guid.Data3 = static_cast<USHORT>(field(12, 4));
    for (size_t i = 0; i < 8; ++i) guid.Data4[i] = static_cast<BYTE>(field(16 + 2 * i, 2));
    return guid;
}

std::string GuidText(const GUID& guid) {
    char text[40];
    snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
             guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
             guid.Data4[6], guid.Data4[7]);
    return text;
}

const PropertySpec* CameraProfile::FindProperty(const GUID& set, uint32_t id) const {
    for (const PropertySpec& property : properties)
        if (property.id == id && property.set == set) return &property;
    return nullptr;
}

bool CameraProfile::HasSet(const GUID& set) const {
    for (const PropertySpec& property : properties)
        if (property.set == set) return true;
    return false;
}

int64_t ValueWord(std::span<const uint8_t> value, size_t word) {
    if (value.size() <= 2) {
        int64_t whole = 0;
        for (size_t i = 0; i < value.size(); ++i) whole |= int64_t(value[i]) << (8 * i);
        return word == 0 ? whole : 0;
    }
    if ((word + 1) * 4 > value.size()) return 0;
    int32_t signed_word;
    std::memcpy(&signed_word, value.data() + word * 4, 4);
    return signed_word;
}

bool PropertySpec::Allows(std::span<const uint8_t> value) const {
    for (size_t word = 0; word < ranges.size(); ++word) {
        int64_t number = ValueWord(value, word);
        if (number < ranges[word].first || number > ranges[word].second) return false;
    }
    return choices.empty() ||
           std::find(choices.begin(), choices.end(), ValueWord(value, 0)) != choices.end();
}

const CameraProfile* ProfileSet::Find(const std::string& name) const {
    for (const CameraProfile& profile : profiles)
        if (profile.name == name) return &profile;
    return nullptr;
}

namespace {

// Thrown inside the parser only, caught by ParseProfiles.
struct ParseError {
    std::string what;
};

int64_t Number(const std::string& token) {
    try {
        size_t used = 0;
        long long value = std::stoll(token, &used, 0);
        if (used == token.size()) return value;
    } catch (const std::exception&) {
    }
    throw ParseError{"not a number: " + token};
}

std::pair<uint16_t, uint16_t> Size(const std::string& token) {
    size_t x = token.find('x');
    if (x == std::string::npos) throw ParseError{"not a size WxH: " + token};
    int64_t width = Number(token.substr(0, x)), height = Number(token.substr(x + 1));
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF)
        throw ParseError{"bad size: " + token};
    return {static_cast<uint16_t>(width), static_cast<uint16_t>(height)};
}

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        if (token.front() == '"') {
            // A quoted text runs to the closing quote, spaces included.
            std::string rest;
            std::getline(in, rest);
            std::string whole = token + rest;
            size_t close = whole.find('"', 1);
            if (close == std::string::npos) throw ParseError{"unterminated text"};
            tokens.push_back(whole.substr(0, close + 1));
            in.clear();
            in.str(whole.substr(close + 1));
            continue;
        }
        tokens.push_back(token);
    }
    return tokens;
}

// mode = FOURCC BITS step W H min WxH max WxH size WxH period MS
ModeSpec ParseMode(const std::vector<std::string>& tokens) {
    if (tokens.size() != 11 || tokens[0].size() != 4 || tokens[2] != "step" || tokens[5] != "min" ||
        tokens[7] != "max" || tokens[9] != "size")
        throw ParseError{"mode wants: FOURCC BITS step W H min WxH max WxH size WxH [period MS]"};
    ModeSpec mode;
    const std::string& name = tokens[0];
    mode.compression = MakeFourcc(name[0], name[1], name[2], name[3]);
    if (mode.compression != kMjpg && mode.compression != kKmxx)
        throw ParseError{"unsupported mode " + name};
    int64_t bits = Number(tokens[1]);
    if (bits != 8 && bits != 16 && bits != 24)
        throw ParseError{"bits per pixel must be 8, 16 or 24"};
    if (mode.compression == kKmxx && bits == 24) throw ParseError{"KMXX carries 8 or 16 bits"};
    mode.bits_per_pixel = static_cast<uint8_t>(bits);
    int64_t wstep = Number(tokens[3]), hstep = Number(tokens[4]);
    if (wstep <= 0 || hstep <= 0 || wstep > 0xFFFF || hstep > 0xFFFF) throw ParseError{"bad step"};
    mode.width_step = static_cast<uint16_t>(wstep);
    mode.height_step = static_cast<uint16_t>(hstep);
    std::tie(mode.min_width, mode.min_height) = Size(tokens[6]);
    std::tie(mode.max_width, mode.max_height) = Size(tokens[8]);
    std::tie(mode.width, mode.height) = Size(tokens[10]);
    if (mode.width < mode.min_width || mode.width > mode.max_width ||
        mode.height < mode.min_height || mode.height > mode.max_height)
        throw ParseError{"the default size lies outside the mode's range"};
    return mode;
}

void StoreWord(std::vector<uint8_t>& value, size_t at, size_t width, int64_t number) {
    for (size_t i = 0; i < width && at + i < value.size(); ++i)
        value[at + i] = static_cast<uint8_t>(static_cast<uint64_t>(number) >> (8 * i));
}

// property = SET ID SIZE ACCESS [range LO..HI[,LO..HI]...] [choices A,B...] [DEFAULT...]
PropertySpec ParseProperty(const std::vector<std::string>& tokens,
                           const std::map<std::string, GUID>& sets) {
    if (tokens.size() < 4)
        throw ParseError{"property wants: SET ID SIZE ACCESS [range R] DEFAULT..."};
    PropertySpec property;
    auto set = sets.find(tokens[0]);
    if (set == sets.end())
        throw ParseError{"unknown set " + tokens[0] + " (declare it with set NAME = {GUID})"};
    property.set = set->second;
    property.set_name = tokens[0];
    property.id = static_cast<uint32_t>(Number(tokens[1]));
    int64_t size = Number(tokens[2]);
    if (size < 0 || size > 256) throw ParseError{"property size must lie in 0..256"};
    property.size = static_cast<uint32_t>(size);
    if (tokens[3] == "rw")
        property.access = Access::ReadWrite;
    else if (tokens[3] == "ro")
        property.access = Access::ReadOnly;
    else if (tokens[3] == "reset")
        property.access = Access::ResetOnly;
    else
        throw ParseError{"access must be rw, ro or reset"};
    if ((property.access == Access::ResetOnly) != (property.size == 0))
        throw ParseError{"a reset-only property has size 0, and only it"};
    size_t next = 4;
    if (next < tokens.size() && tokens[next] == "range") {
        if (++next == tokens.size()) throw ParseError{"range wants LO..HI"};
        std::istringstream ranges(tokens[next++]);
        std::string range;
        while (std::getline(ranges, range, ',')) {
            size_t dots = range.find("..");
            if (dots == std::string::npos) throw ParseError{"range wants LO..HI"};
            property.ranges.emplace_back(Number(range.substr(0, dots)),
                                         Number(range.substr(dots + 2)));
        }
    }
    if (next < tokens.size() && tokens[next] == "choices") {
        if (++next == tokens.size()) throw ParseError{"choices wants A,B,..."};
        std::istringstream choices(tokens[next++]);
        std::string choice;
        while (std::getline(choices, choice, ',')) property.choices.push_back(Number(choice));
    }
    property.default_value.assign(property.size, 0);
    if (next < tokens.size() && tokens[next].front() == '"') {
        std::string text = tokens[next].substr(1, tokens[next].size() - 2);
        if (text.size() >= property.size) throw ParseError{"the text does not fit the property"};
        std::memcpy(property.default_value.data(), text.data(), text.size());
        ++next;
    } else {
        // One number for values up to four bytes, else successive 32-bit words.
        size_t width = property.size <= 4 ? property.size : 4;
        for (size_t at = 0; next < tokens.size(); at += width, ++next) {
            if (at >= property.size) throw ParseError{"more default words than the property holds"};
            StoreWord(property.default_value, at, width, Number(tokens[next]));
        }
    }
    if (next != tokens.size()) throw ParseError{"unexpected " + tokens[next]};
    if (!property.Allows(property.default_value))
        throw ParseError{"the default lies outside the property's range or choices"};
    return property;
}

PropertySpec CameraProperty(uint32_t id, uint32_t size, Access access,
                            std::initializer_list<int64_t> words) {
    PropertySpec property{sets::kCamera, "camera", id, size,
                          access,        {},       {}, std::vector<uint8_t>(size)};
    size_t width = size <= 4 ? size : 4, at = 0;
    for (int64_t word : words) StoreWord(property.default_value, (at++) * width, width, word);
    return property;
}

// pan-tilt-zoom = field WxH window WxH [to WxH steps N]: the camera set's
// window geometry, position, highest zoom step and zoom step.
PanTiltZoomOptics ParsePanTiltZoom(const std::vector<std::string>& tokens) {
    bool zooms = tokens.size() == 8;
    if ((tokens.size() != 4 && !zooms) || tokens[0] != "field" || tokens[2] != "window" ||
        (zooms && (tokens[4] != "to" || tokens[6] != "steps")))
        throw ParseError{"pan-tilt-zoom wants: field WxH window WxH [to WxH steps N]"};
    PanTiltZoomOptics optics;
    std::tie(optics.field_width, optics.field_height) = Size(tokens[1]);
    std::tie(optics.window_width, optics.window_height) = Size(tokens[3]);
    std::tie(optics.last_width, optics.last_height) = Size(zooms ? tokens[5] : tokens[3]);
    if (zooms) {
        int64_t steps = Number(tokens[7]);
        if (steps < 1 || steps > 255) throw ParseError{"zoom steps must lie in 1..255"};
        optics.steps = static_cast<uint32_t>(steps);
    }
    if (optics.window_width > optics.field_width || optics.window_height > optics.field_height ||
        optics.last_width > optics.window_width || optics.last_height > optics.window_height)
        throw ParseError{"the window must fit the field, and shrink as the zoom rises"};
    return optics;
}

void AddProperty(CameraProfile& profile, PropertySpec property) {
    if (profile.FindProperty(property.set, property.id))
        throw ParseError{"property " + property.set_name + " " + std::to_string(property.id) +
                         " given twice"};
    profile.properties.push_back(std::move(property));
}

void AddPanTiltZoom(CameraProfile& profile, const PanTiltZoomOptics& optics) {
    if (profile.pan_tilt_zoom) throw ParseError{"pan-tilt-zoom given twice"};
    profile.pan_tilt_zoom = optics;
    WindowSize window = WindowAt(optics, 0);
    WindowPosition position = Centred(optics, window);
    AddProperty(profile, CameraProperty(camera_ids::kWindowGeometry, 16, Access::ReadOnly,
                                        {optics.field_width, optics.field_height, window.width,
                                         window.height}));
    // Its limits follow the window, which the zoom step sizes.
    AddProperty(profile, CameraProperty(camera_ids::kWindowPosition, 8, Access::ReadWrite,
                                        {position.x, position.y}));
    AddProperty(profile,
                CameraProperty(camera_ids::kZoomMaximum, 1, Access::ReadOnly, {optics.steps}));
    PropertySpec zoom = CameraProperty(camera_ids::kZoom, 1, Access::ReadWrite, {0});
    zoom.ranges = {{0, optics.steps}};
    AddProperty(profile, std::move(zoom));
}

}  // namespace

std::optional<ProfileSet> ParseProfiles(const std::string& text, std::string& error) {
    ProfileSet result;
    std::map<std::string, GUID> sets;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    try {
        while (std::getline(in, line)) {
            ++number;
            size_t hash = line.find('#');
            if (hash != std::string::npos && line.find('"') > hash) line.erase(hash);
            std::vector<std::string> tokens = Tokens(line);
            if (tokens.empty()) continue;
            if (tokens[0].front() == '[') {
                if (tokens.size() != 2 || tokens[0] != "[profile" || tokens[1].back() != ']')
                    throw ParseError{"a section is [profile NAME]"};
                CameraProfile profile;
                profile.name = tokens[1].substr(0, tokens[1].size() - 1);
                if (result.Find(profile.name))
                    throw ParseError{"profile " + profile.name + " given twice"};
                result.profiles.push_back(std::move(profile));
                continue;
            }
            size_t equals = tokens[0] == "set" ? 2 : 1;
            if (tokens.size() <= equals + 1 || tokens[equals] != "=")
                throw ParseError{"a line is KEY = VALUE"};
            if (tokens[0] == "set") {
                std::optional<GUID> guid = tokens.size() == 4 ? ParseGuid(tokens[3]) : std::nullopt;
                if (!guid) throw ParseError{"set NAME = {GUID}"};
                sets[tokens[1]] = *guid;
                continue;
            }
            if (result.profiles.empty()) throw ParseError{tokens[0] + " outside a profile"};
            CameraProfile& profile = result.profiles.back();
            std::vector<std::string> value(tokens.begin() + 2, tokens.end());
            const std::string& key = tokens[0];
            if (key == "description") {
                std::string joined;
                for (const std::string& word : value) joined += (joined.empty() ? "" : " ") + word;
                profile.description = joined;
            } else if (key == "identity" && value.size() == 2) {
                profile.identity1 = static_cast<uint32_t>(Number(value[0]));
                profile.identity2 = static_cast<uint32_t>(Number(value[1]));
            } else if (key == "device-id" && value.size() == 2) {
                profile.device_id1 = static_cast<uint32_t>(Number(value[0]));
                profile.device_id2 = static_cast<uint32_t>(Number(value[1]));
            } else if (key == "huffman-tables" && value.size() == 1 &&
                       (value[0] == "yes" || value[0] == "no")) {
                profile.huffman_tables = value[0] == "yes";
            } else if (key == "mode") {
                if (value.size() == 13 && value[11] == "period") {
                    ModeSpec mode = ParseMode({value.begin(), value.begin() + 11});
                    int64_t period = Number(value[12]);
                    if (period <= 0 || period > 10000)
                        throw ParseError{"period must lie in 1..10000 ms"};
                    mode.period_ms = static_cast<uint32_t>(period);
                    profile.modes.push_back(mode);
                } else {
                    profile.modes.push_back(ParseMode(value));
                }
            } else if (key == "native") {
                // The native sizes are read-only properties of the camera's own set.
                uint32_t id = camera_ids::kFirstNativeSize;
                for (const std::string& token : value) {
                    if (id > camera_ids::kLastNativeSize)
                        throw ParseError{"at most 15 native sizes"};
                    auto [width, height] = Size(token);
                    PropertySpec size = CameraProperty(id++, 8, Access::ReadOnly, {width, height});
                    size.set_name = "native";
                    AddProperty(profile, std::move(size));
                }
            } else if (key == "pan-tilt-zoom") {
                AddPanTiltZoom(profile, ParsePanTiltZoom(value));
            } else if (key == "property") {
                AddProperty(profile, ParseProperty(value, sets));
            } else {
                throw ParseError{"unknown or malformed " + key};
            }
        }
        for (const CameraProfile& profile : result.profiles)
            if (profile.modes.empty()) throw ParseError{"profile " + profile.name + " has no mode"};
    } catch (const ParseError& failure) {
        error = "line " + std::to_string(number) + ": " + failure.what;
        return std::nullopt;
    }
    if (result.profiles.empty()) {
        error = "no profile";
        return std::nullopt;
    }
    return result;
}

std::optional<ProfileSet> LoadProfiles(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::optional<ProfileSet> profiles = ParseProfiles(text.str(), error);
    if (!profiles) error = path + ": " + error;
    return profiles;
}

std::string DefaultProfilePath() {
    if (const char* named = getenv("KMX512_CAMERA_PROFILES"); named && *named) return named;
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string directory =
        length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
    directory = directory.substr(0, directory.find_last_of('/') + 1);
    return directory + "camera_profiles.ini";
}

}  // namespace kmxcam
