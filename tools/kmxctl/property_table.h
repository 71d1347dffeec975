// The camera's properties by readable name: where each lives (set, id,
// size) and how its value is written and read on the command line.
#pragma once

#include <windows.h>

#include "command_line.h"
#include "json.h"

#include <string>
#include <vector>

namespace kmxctl {

using namespace kmxtool;

enum class ValueKind {
    Number,    // an unsigned number of the property's size
    Banding,   // 1 for 50 Hz, 0 for 60 Hz
    Text,      // zero-terminated text
    Size,      // width and height words, "WxH"
    Words,     // signed 32-bit words, "A,B,..."
    ProcAmp,   // value, flags and capabilities; only the value is set
    Firmware,  // shown as the Driver Information dialog shows it
    Sensor,
    ResetOnly,  // has no value; only goes back to its default
};

struct Property {
    std::string name;
    GUID set;
    DWORD id;
    DWORD size;
    ValueKind kind;
    bool read_only;
    std::string meaning;
};

const std::vector<Property>& Properties();
// The property called NAME, or null.
const Property* LookupProperty(const std::string& name);
// The property called NAME; a usage error listing the names otherwise.
const Property& FindProperty(const std::string& name);
// The usage error for an unknown NAME, listing NAMES.
UsageError UnknownProperty(const std::string& name, const std::vector<std::string>& names);

// The text and JSON forms of VALUE (the property's size in bytes).
std::string ValueText(const Property& property, const std::vector<BYTE>& value);
Json ValueJson(const Property& property, const std::vector<BYTE>& value);
// TEXT as the property's bytes; CURRENT is the value the camera holds now
// (the parts a value record keeps). A usage error when it does not fit.
std::vector<BYTE> ParseValue(const Property& property, const std::string& text,
                             const std::vector<BYTE>& current);

}  // namespace kmxctl
