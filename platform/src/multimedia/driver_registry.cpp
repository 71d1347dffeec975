#include "multimedia/driver_registry.h"

#include <windows.h>

#include <kmxwin/driver_registry.h>

namespace kmxwin {
namespace {

// The section's key, open for reading; null when it is missing.
HKEY OpenSection(const std::string& section) {
    std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + section;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// A stored string need not end in its terminator.
std::string StoredText(const std::vector<BYTE>& data, DWORD size) {
    std::string value(reinterpret_cast<const char*>(data.data()), size);
    return value.substr(0, value.find('\0'));
}

}  // namespace

std::optional<std::string> ReadDriverValue(const std::string& section, const std::string& name) {
    HKEY key = OpenSection(section);
    if (!key) return std::nullopt;
    std::vector<BYTE> data(MAX_PATH);
    for (;;) {
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        LSTATUS read = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size);
        if (read == ERROR_MORE_DATA) {
            data.resize(size);
            continue;
        }
        RegCloseKey(key);
        if (read != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
        return StoredText(data, size);
    }
}

std::vector<std::pair<std::string, std::string>> ListDriverValues(const std::string& section) {
    std::vector<std::pair<std::string, std::string>> values;
    HKEY key = OpenSection(section);
    if (!key) return values;
    // Value names are at most 16383 characters long.
    std::vector<char> name(16384);
    std::vector<BYTE> data(MAX_PATH);
    for (DWORD index = 0;;) {
        DWORD name_length = static_cast<DWORD>(name.size());
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        LSTATUS read = RegEnumValueA(key, index, name.data(), &name_length, nullptr, &type,
                                     data.data(), &size);
        if (read == ERROR_MORE_DATA) {
            data.resize(size);
            continue;
        }
        if (read != ERROR_SUCCESS) break;
        if (type == REG_SZ)
            values.emplace_back(std::string(name.data(), name_length), StoredText(data, size));
        ++index;
    }
    RegCloseKey(key);
    return values;
}

DriverCommand SplitDriverCommand(const std::string& value) {
    size_t start = value.find_first_not_of(' ');
    if (start == std::string::npos) return {};
    size_t end = value.find(' ', start);
    if (end == std::string::npos) return {value.substr(start), {}};
    size_t rest = value.find_first_not_of(' ', end);
    return {value.substr(start, end - start),
            rest == std::string::npos ? std::string() : value.substr(rest)};
}

std::string CaptureDriverAlias(unsigned index) {
    std::string alias = KMXWIN_CAPTURE_DRIVER_ALIAS;
    return index == 0 ? alias : alias + std::to_string(index);
}

}  // namespace kmxwin
