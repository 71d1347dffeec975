#include "registry_file_format.h"

#include <kmxrecords/settings_keys.h>

#include "command_line.h"
#include "failures.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kmxctl {

using namespace kmxtool;

const RegistryRoot kRegistryRoots[2] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER}};

namespace {

constexpr char kOldHeader[] = "REGEDIT4";
// Hex lines are wrapped before this column, as the registry editor does.
constexpr size_t kLineWidth = 76;

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// A REG_SZ that a quoted string would not give back byte for byte (no
// terminator, a zero inside, a line break) is written as hex(1).
bool PlainString(const std::vector<BYTE>& data) {
    if (data.empty() || data.back() != 0) return false;
    return std::none_of(data.begin(), data.end() - 1,
                        [](BYTE b) { return b == 0 || b == '\r' || b == '\n'; });
}

// A file that is no registry file of the camera's keys: where and why.
[[noreturn]] void Malformed(const std::string& where, const std::string& reason) {
    throw Failure(where + ": " + reason);
}

// The file's text as 8-bit characters, from 8-bit or UTF-16LE files.
std::string FileText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw Failure("cannot read " + file);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 2 || static_cast<BYTE>(bytes[0]) != 0xFF ||
        static_cast<BYTE>(bytes[1]) != 0xFE)
        return bytes;
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        if (bytes[i + 1] != 0) Malformed(file, "only 8-bit characters can be imported");
        text += bytes[i];
    }
    return text;
}

// The logical lines: continuation backslashes joined, CRs dropped; each
// with the number of the line it starts on.
std::vector<std::pair<int, std::string>> LogicalLines(const std::string& text) {
    std::vector<std::pair<int, std::string>> lines;
    std::istringstream in(text);
    std::string line, pending;
    int number = 0, start = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (pending.empty()) {
            start = number;
        } else {
            size_t indent = line.find_first_not_of(" \t");
            line.erase(0, indent == std::string::npos ? line.size() : indent);
        }
        if (!line.empty() && line.back() == '\\') {
            line.pop_back();
            pending += line;
            continue;
        }
        lines.emplace_back(start, pending + line);
        pending.clear();
    }
    if (!pending.empty()) lines.emplace_back(start, pending);
    return lines;
}

// Reads a quoted string at AT (just past the opening quote), unescaping.
std::string Unquote(const std::string& line, size_t& at, const std::string& where) {
    std::string text;
    for (; at < line.size(); ++at) {
        if (line[at] == '"') {
            ++at;
            return text;
        }
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        text += line[at];
    }
    Malformed(where, "the quoted text does not end");
}

void ParseValue(const std::string& text, RegistryOperation& op, const std::string& where) {
    if (text == "-") {
        op.kind = RegistryOperation::DeleteValue;
        return;
    }
    op.kind = RegistryOperation::SetValue;
    if (!text.empty() && text[0] == '"') {
        size_t at = 1;
        std::string value = Unquote(text, at, where);
        if (at != text.size()) Malformed(where, "text after the quoted value");
        op.type = REG_SZ;
        op.data.assign(value.begin(), value.end());
        op.data.push_back(0);
        return;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        DWORD value =
            static_cast<DWORD>(ParseUnsigned("0x" + text.substr(6), where + ": dword", MAXDWORD));
        op.type = REG_DWORD;
        op.data.resize(4);
        memcpy(op.data.data(), &value, 4);
        return;
    }
    size_t colon = text.find(':');
    std::string kind = text.substr(0, colon);
    if (colon == std::string::npos || kind.compare(0, 3, "hex") != 0)
        Malformed(where, "a value is \"text\", dword:, hex: or hex(TYPE):");
    op.type = REG_BINARY;
    if (kind != "hex") {
        if (kind.size() < 6 || kind[3] != '(' || kind.back() != ')')
            Malformed(where, "a typed value is hex(TYPE):");
        op.type = static_cast<DWORD>(
            ParseUnsigned("0x" + kind.substr(4, kind.size() - 5), where + ": type", MAXDWORD));
    }
    op.data = ParseBytes(text.substr(colon + 1), where);
}

// The root and the path below it of a key line's name; only the library's
// own keys may be imported, and only those Windows could hold.
void ParseKey(const std::string& name, RegistryOperation& op, const std::string& where) {
    size_t slash = name.find('\\');
    std::string root = name.substr(0, slash);
    std::string path = slash == std::string::npos ? "" : name.substr(slash + 1);
    const RegistryRoot* found = nullptr;
    for (const RegistryRoot& candidate : kRegistryRoots)
        if (SameText(root, candidate.name)) found = &candidate;
    const std::string own = kmx::kSettingsKeyPath;
    bool ours = found && (SameText(path, own) ||
                          (path.size() > own.size() && SameText(path.substr(0, own.size()), own) &&
                           path[own.size()] == '\\'));
    if (!ours)
        Malformed(where, "[" + name + "] is not one of the camera's keys (" + own +
                             " below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER)");
    size_t depth = 0;
    for (size_t start = 0; start <= path.size(); ++depth) {
        size_t end = std::min(path.find('\\', start), path.size());
        if (end - start >= kKeyNameSize)
            Malformed(where, "a key name is longer than " + std::to_string(kKeyNameSize - 1) +
                                 " characters");
        start = end + 1;
    }
    if (depth > kMaxKeyDepth)
        Malformed(where, "the key lies " + std::to_string(depth) + " levels deep; at most " +
                             std::to_string(kMaxKeyDepth) + " are allowed");
    op.root = found->key;
    op.path = path;
}

std::vector<RegistryOperation> ParseLines(const std::string& file) {
    std::vector<RegistryOperation> operations;
    bool header = false, in_key = false;
    RegistryOperation key{};
    for (const auto& [number, line] : LogicalLines(FileText(file))) {
        std::string where = file + ":" + std::to_string(number);
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';') continue;
        if (!header) {
            header = line == kRegistryFileHeader || line == kOldHeader;
            if (!header)
                Malformed(where,
                          std::string("not a registry file (no \"") + kRegistryFileHeader + "\")");
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') Malformed(where, "a key line ends with ]");
            bool remove = line.size() > 1 && line[1] == '-';
            key = RegistryOperation{
                remove ? RegistryOperation::DeleteKey : RegistryOperation::CreateKey,
                nullptr,
                "",
                "",
                REG_NONE,
                {}};
            ParseKey(line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2)), key, where);
            operations.push_back(key);
            in_key = !remove;
            continue;
        }
        if (!in_key) Malformed(where, "a value outside a key");
        RegistryOperation op = key;
        size_t at = 1;
        if (line[0] == '@') {
            op.name.clear();
        } else if (line[0] == '"') {
            op.name = Unquote(line, at, where);
        } else {
            Malformed(where, "a value line starts with \"NAME\" or @");
        }
        if (op.name.size() >= kValueNameSize)
            Malformed(where, "a value name is longer than " + std::to_string(kValueNameSize - 1) +
                                 " characters");
        if (at >= line.size() || line[at] != '=') Malformed(where, "'=' expected");
        ParseValue(line.substr(at + 1), op, where);
        operations.push_back(op);
    }
    if (!header) Malformed(file, "not a registry file (it is empty)");
    return operations;
}

}  // namespace

std::string KeyLine(const std::string& full_path, const char* eol) {
    return "[" + full_path + "]" + eol;
}

std::string ValueLine(const std::string& name, DWORD type, const std::vector<BYTE>& data,
                      const char* eol) {
    std::string line = (name.empty() ? std::string("@") : Quoted(name)) + "=";
    if (type == REG_SZ && PlainString(data))
        return line + Quoted(reinterpret_cast<const char*>(data.data())) + eol;
    if (type == REG_DWORD && data.size() == 4) {
        DWORD value;
        memcpy(&value, data.data(), 4);
        char text[16];
        snprintf(text, sizeof text, "dword:%08lx", static_cast<unsigned long>(value));
        return line + text + eol;
    }
    char prefix[16];
    snprintf(prefix, sizeof prefix,
             type == REG_BINARY ? "hex:" : "hex(%lx):", static_cast<unsigned long>(type));
    line += prefix;
    size_t column = line.size();
    for (size_t i = 0; i < data.size(); ++i) {
        char pair[4];
        snprintf(pair, sizeof pair, i + 1 < data.size() ? "%02x," : "%02x", data[i]);
        if (column + 3 > kLineWidth) {
            line += std::string("\\") + eol + "  ";
            column = 2;
        }
        line += pair;
        column += strlen(pair);
    }
    return line + eol;
}

std::vector<RegistryOperation> ReadRegistryFile(const std::string& file) {
    try {
        return ParseLines(file);
    } catch (const UsageError& bad_number) {
        // The number and byte readers of the command line, given the line's
        // place as what they read.
        throw Failure(bad_number.what());
    }
}

}  // namespace kmxctl
