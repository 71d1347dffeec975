// Reading the driver sections of the registry (see <kmxwin/driver_registry.h>).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kmxwin {

// The REG_SZ value NAME of SECTION; nullopt when the section or the value
// is missing or is no string.
std::optional<std::string> ReadDriverValue(const std::string& section, const std::string& name);

// The REG_SZ values of SECTION, name and value, in registry order; empty
// when the section is missing.
std::vector<std::pair<std::string, std::string>> ListDriverValues(const std::string& section);

// A Drivers32 value: the module file name and the configuration text after
// it (empty when there is none).
struct DriverCommand {
    std::string module;
    std::string configuration;
};
DriverCommand SplitDriverCommand(const std::string& value);

// The alias of capture driver slot INDEX (0 to 9): "msvideo", "msvideo1", ...
std::string CaptureDriverAlias(unsigned index);

}  // namespace kmxwin
