#include "multimedia/driver_registry.h"

#include <windows.h>

#include <kmxwin/driver_registry.h>

#include <vector>

namespace kmxwin {

std::optional<std::string> ReadDriverValue(const std::string& section, const std::string& name) {
    std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + section;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
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
        // A stored string need not end in its terminator.
        std::string value(reinterpret_cast<const char*>(data.data()), size);
        return value.substr(0, value.find('\0'));
    }
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
