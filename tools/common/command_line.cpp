#include "command_line.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace kmxtool {
namespace {

// Connection ids that name a camera.
constexpr uint64_t kLastCameraId = 255;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

DWORD ParseCamera(const std::string& text) {
    std::string number = text;
    if (number.size() > 3 && (number.compare(0, 3, "USB") == 0 || number.compare(0, 3, "usb") == 0))
        number = number.substr(3);
    DWORD id = static_cast<DWORD>(ParseUnsigned(number, "camera id", kLastCameraId));
    if (id == 0) throw UsageError("camera ids start at 1");
    return id;
}

}  // namespace

bool CommandLine::Flag(const std::string& flag) {
    auto found = std::find(words_.begin(), words_.end(), flag);
    if (found == words_.end()) return false;
    words_.erase(found);
    return true;
}

std::optional<std::string> CommandLine::Option(const std::string& option) {
    auto found = std::find(words_.begin(), words_.end(), option);
    if (found == words_.end()) return std::nullopt;
    if (found + 1 == words_.end()) throw UsageError(option + " needs a value");
    std::string value = *(found + 1);
    words_.erase(found, found + 2);
    return value;
}

DWORD CommandLine::Camera() {
    std::optional<DWORD> id = OptionalCamera();
    if (!id) throw UsageError("which camera? give -c ID");
    return *id;
}

std::optional<DWORD> CommandLine::OptionalCamera() {
    std::optional<std::string> text = Option("-c");
    if (!text) return std::nullopt;
    return ParseCamera(*text);
}

std::string CommandLine::Next(const std::string& what) {
    std::optional<std::string> word = NextIfAny();
    if (!word) throw UsageError("missing " + what);
    return *word;
}

std::optional<std::string> CommandLine::NextIfAny() {
    if (words_.empty()) return std::nullopt;
    std::string word = words_.front();
    words_.erase(words_.begin());
    return word;
}

void CommandLine::Finish() const {
    if (!words_.empty()) throw UsageError("unexpected argument '" + words_.front() + "'");
}

uint64_t ParseUnsigned(const std::string& text, const std::string& what, uint64_t maximum) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string digits = hex ? text.substr(2) : text;
    bool valid = !digits.empty() && std::all_of(digits.begin(), digits.end(), [hex](char c) {
        return hex ? HexDigit(c) >= 0 : std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    errno = 0;
    unsigned long long value = valid ? std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10) : 0;
    if (!valid || errno == ERANGE || value > maximum)
        throw UsageError(what + " must be a number from 0 to " + std::to_string(maximum) +
                         ", not '" + text + "'");
    return value;
}

int32_t ParseSigned(const std::string& text, const std::string& what) {
    bool negative = !text.empty() && text[0] == '-';
    try {
        uint64_t magnitude = ParseUnsigned(negative ? text.substr(1) : text, what,
                                           negative ? 0x80000000ull : 0x7FFFFFFFull);
        return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                        : static_cast<int32_t>(magnitude);
    } catch (const UsageError&) {
        throw UsageError(what + " must be a number from -2147483648 to 2147483647, not '" + text +
                         "'");
    }
}

std::vector<BYTE> ParseBytes(const std::string& text, const std::string& what) {
    std::vector<BYTE> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == ',') {
            if (high >= 0) throw UsageError(what + ": every byte takes two hex digits");
            continue;
        }
        int digit = HexDigit(c);
        if (digit < 0) throw UsageError(what + ": '" + std::string(1, c) + "' is not a hex digit");
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<BYTE>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0) throw UsageError(what + ": every byte takes two hex digits");
    return bytes;
}

std::string HexBytes(const BYTE* bytes, size_t count) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < count; ++i) {
        snprintf(pair, sizeof pair, i ? " %02x" : "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

GUID ParseGuid(const std::string& text, const std::string& what) {
    std::string inner = text;
    if (inner.size() == 38 && inner.front() == '{' && inner.back() == '}')
        inner = inner.substr(1, 36);
    bool shaped = inner.size() == 36;
    for (size_t i = 0; shaped && i < inner.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        shaped = dash ? inner[i] == '-' : HexDigit(inner[i]) >= 0;
    }
    if (!shaped)
        throw UsageError(what + " must be a GUID like {2BBD8342-6AA2-11D3-A076-00A024AD71C2}");
    auto hex = [&](size_t from, size_t count) {
        return std::strtoull(inner.substr(from, count).c_str(), nullptr, 16);
    };
    GUID guid{};
    guid.Data1 = static_cast<DWORD>(hex(0, 8));
    guid.Data2 = static_cast<WORD>(hex(9, 4));
    guid.Data3 = static_cast<WORD>(hex(14, 4));
    guid.Data4[0] = static_cast<BYTE>(hex(19, 2));
    guid.Data4[1] = static_cast<BYTE>(hex(21, 2));
    for (size_t i = 0; i < 6; ++i) guid.Data4[2 + i] = static_cast<BYTE>(hex(24 + 2 * i, 2));
    return guid;
}

std::string GuidText(const GUID& guid) {
    char text[40];
    snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
             guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
             guid.Data4[6], guid.Data4[7]);
    return text;
}

std::pair<DWORD, DWORD> ParseIdentity(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos) throw UsageError("--identity takes WORD1:WORD2");
    return {static_cast<DWORD>(ParseUnsigned(text.substr(0, colon), "identity word 1", MAXDWORD)),
            static_cast<DWORD>(ParseUnsigned(text.substr(colon + 1), "identity word 2", MAXDWORD))};
}

std::string CameraName(DWORD id) {
    return "USB" + std::to_string(id);
}

}  // namespace kmxtool
