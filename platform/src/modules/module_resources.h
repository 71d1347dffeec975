// The resources a module carries: the .res data that kmx_add_resources
// embeds as an ELF note, read as the table of entries it holds.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kmxwin {

// A resource type or name: a number, or a string compared without regard to
// case.
struct ResourceId {
    WORD number = 0;
    std::u16string name;  // used when not empty
};

struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    WORD language;
    std::span<const BYTE> data;
};

// The entries of a .res image; nullopt when the image is damaged.
std::optional<std::vector<ResourceEntry>> ParseResourceData(std::span<const BYTE> image);

// The .res image embedded in MODULE, if it has one.
std::optional<std::span<const BYTE>> ModuleResourceData(HMODULE module);

}  // namespace kmxwin
