// The Windows registry file format ("Windows Registry Editor Version 5.00")
// as kmxctl reads and writes it: the lines of a key and its values, and a
// whole file read into the operations it asks for. Only the camera's own
// keys may appear in a file; what Windows would refuse (names too long, keys
// too deep) is refused while reading, before anything is written.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kmxctl {

// A predefined key that holds camera settings, by its name in files.
struct RegistryRoot {
    const char* name;
    HKEY key;
};
extern const RegistryRoot kRegistryRoots[2];

inline constexpr char kRegistryFileHeader[] = "Windows Registry Editor Version 5.00";

// Windows' limits: a key name takes at most 255 characters, a value name
// 16,383, and a key lies at most 512 levels below its predefined key.
inline constexpr DWORD kKeyNameSize = 256, kValueNameSize = 16384;  // with the terminator
inline constexpr size_t kMaxKeyDepth = 512;

// One change a registry file asks for.
struct RegistryOperation {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    HKEY root;
    std::string path;  // below the root
    std::string name;  // of the value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The "[ROOT\PATH]" line of a key and the line of one value, ended by EOL.
std::string KeyLine(const std::string& full_path, const char* eol);
std::string ValueLine(const std::string& name, DWORD type, const std::vector<BYTE>& data,
                      const char* eol);

// The operations FILE asks for, in order. A Failure naming the file, the
// line and the reason when it cannot be read or is not a registry file of
// the camera's keys.
std::vector<RegistryOperation> ReadRegistryFile(const std::string& file);

}  // namespace kmxctl
