// kmxctl reg: the library's registry keys — the machine's and the user's
// settings key with every sub-key — exported to and imported from the
// Windows registry file format ("Windows Registry Editor Version 5.00").
// Files are written as 8-bit text with CRLF line ends; imports also take
// the UTF-16 files the registry editor writes, and the older "REGEDIT4".
#include <windows.h>

#include <kmxrecords/settings_keys.h>

#include "failures.h"
#include "tool.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace kmxctl {
namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
constexpr char kOldHeader[] = "REGEDIT4";
// Registry key names are at most 255 characters, value names 16383.
constexpr DWORD kKeyNameSize = 256, kValueNameSize = 16384;
// Hex lines are wrapped before this column, as the registry editor does.
constexpr size_t kLineWidth = 76;

struct Root {
    const char* name;
    HKEY key;
};
const Root kRoots[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                       {"HKEY_CURRENT_USER", HKEY_CURRENT_USER}};

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// ---- export ----

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

void ExportKey(HKEY key, const std::string& path, std::ostream& out, const char* eol, int& keys) {
    out << eol << '[' << path << ']' << eol;
    ++keys;
    std::vector<char> name(kValueNameSize);
    for (DWORD index = 0;; ++index) {
        DWORD name_size = kValueNameSize, type = 0, size = 0;
        LSTATUS status =
            RegEnumValueA(key, index, name.data(), &name_size, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) FailSystem("listing the values of " + path, status);
        std::vector<BYTE> data(size);
        DWORD read = size;
        status = RegQueryValueExA(key, name.data(), nullptr, &type, data.data(), &read);
        if (status != ERROR_SUCCESS) FailSystem("reading a value of " + path, status);
        data.resize(read);
        out << ValueLine(name.data(), type, data, eol);
    }
    for (DWORD index = 0;; ++index) {
        char sub[kKeyNameSize];
        DWORD sub_size = sizeof sub;
        LSTATUS status =
            RegEnumKeyExA(key, index, sub, &sub_size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) FailSystem("listing the keys of " + path, status);
        HKEY child = nullptr;
        status = RegOpenKeyExA(key, sub, 0, KEY_READ, &child);
        if (status != ERROR_SUCCESS) FailSystem("opening " + path + "\\" + sub, status);
        ExportKey(child, path + "\\" + sub, out, eol, keys);
        RegCloseKey(child);
    }
}

void Export(const std::string& file, Output& output) {
    std::ofstream stream;
    bool to_stdout = file == "-";
    if (!to_stdout) {
        stream.open(file, std::ios::binary);
        if (!stream) throw Failure("cannot write " + file);
    }
    std::ostream& out = to_stdout ? std::cout : stream;
    const char* eol = to_stdout ? "\n" : "\r\n";
    out << kHeader << eol;
    int keys = 0;
    for (const Root& root : kRoots) {
        HKEY key = nullptr;
        LSTATUS status = RegOpenKeyExA(root.key, kmx::kSettingsKeyPath, 0, KEY_READ, &key);
        if (status == ERROR_FILE_NOT_FOUND) continue;
        if (status != ERROR_SUCCESS) FailSystem(std::string("opening ") + root.name, status);
        ExportKey(key, std::string(root.name) + "\\" + kmx::kSettingsKeyPath, out, eol, keys);
        RegCloseKey(key);
    }
    out << eol;
    out.flush();
    if (!out) throw Failure("writing " + file + " failed");
    if (to_stdout) return;
    if (output.Json())
        output.Print(Json::Object().Add("exported", file).Add("keys", keys));
    else
        output.Text() << "exported " << keys << " keys to " << file << '\n';
}

// ---- import ----

struct Operation {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    HKEY root;
    std::string path;  // below the root
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

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
        if (bytes[i + 1] != 0) throw UsageError(file + ": only 8-bit characters can be imported");
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
    throw UsageError(where + ": the quoted text does not end");
}

void ParseValue(const std::string& text, Operation& op, const std::string& where) {
    if (text == "-") {
        op.kind = Operation::DeleteValue;
        return;
    }
    op.kind = Operation::SetValue;
    if (!text.empty() && text[0] == '"') {
        size_t at = 1;
        std::string value = Unquote(text, at, where);
        if (at != text.size()) throw UsageError(where + ": text after the quoted value");
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
        throw UsageError(where + ": a value is \"text\", dword:, hex: or hex(TYPE):");
    op.type = REG_BINARY;
    if (kind != "hex") {
        if (kind.size() < 6 || kind[3] != '(' || kind.back() != ')')
            throw UsageError(where + ": a typed value is hex(TYPE):");
        op.type = static_cast<DWORD>(
            ParseUnsigned("0x" + kind.substr(4, kind.size() - 5), where + ": type", MAXDWORD));
    }
    op.data = ParseBytes(text.substr(colon + 1), where);
}

// The root and the path below it of a key line's name; only the library's
// own keys may be imported.
void ParseKey(const std::string& name, Operation& op, const std::string& where) {
    size_t slash = name.find('\\');
    std::string root = name.substr(0, slash);
    std::string path = slash == std::string::npos ? "" : name.substr(slash + 1);
    const Root* found = nullptr;
    for (const Root& candidate : kRoots)
        if (SameText(root, candidate.name)) found = &candidate;
    std::string own = kmx::kSettingsKeyPath;
    bool ours = found && (SameText(path, own) ||
                          (path.size() > own.size() && SameText(path.substr(0, own.size()), own) &&
                           path[own.size()] == '\\'));
    if (!ours)
        throw UsageError(where + ": [" + name + "] is not one of the camera's keys (" + own +
                         " below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER)");
    op.root = found->key;
    op.path = path;
}

std::vector<Operation> ParseFile(const std::string& file) {
    std::vector<Operation> operations;
    bool header = false, in_key = false;
    Operation key{};
    for (const auto& [number, line] : LogicalLines(FileText(file))) {
        std::string where = file + ":" + std::to_string(number);
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';') continue;
        if (!header) {
            header = line == kHeader || line == kOldHeader;
            if (!header) throw UsageError(where + ": not a registry file (no \"" + kHeader + "\")");
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') throw UsageError(where + ": a key line ends with ]");
            bool remove = line.size() > 1 && line[1] == '-';
            key = Operation{remove ? Operation::DeleteKey : Operation::CreateKey,
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
        if (!in_key) throw UsageError(where + ": a value outside a key");
        Operation op = key;
        size_t at = 1;
        if (line[0] == '@') {
            op.name.clear();
        } else if (line[0] == '"') {
            op.name = Unquote(line, at, where);
        } else {
            throw UsageError(where + ": a value line starts with \"NAME\" or @");
        }
        if (at >= line.size() || line[at] != '=') throw UsageError(where + ": '=' expected");
        ParseValue(line.substr(at + 1), op, where);
        operations.push_back(op);
    }
    if (!header) throw UsageError(file + ": not a registry file (it is empty)");
    return operations;
}

void DeleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) FailSystem("opening " + path, status);
    // Sub-keys first: a key with sub-keys cannot be deleted.
    for (;;) {
        char sub[kKeyNameSize];
        DWORD size = sizeof sub;
        if (RegEnumKeyExA(key, 0, sub, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DeleteTree(root, path + "\\" + sub);
    }
    RegCloseKey(key);
    status = RegDeleteKeyA(root, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        FailSystem("deleting " + path, status);
}

void Apply(const Operation& op) {
    if (op.kind == Operation::DeleteKey) return DeleteTree(op.root, op.path);
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExA(op.root, op.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) FailSystem("creating " + op.path, status);
    if (op.kind == Operation::SetValue)
        status = RegSetValueExA(key, op.name.c_str(), 0, op.type, op.data.data(),
                                static_cast<DWORD>(op.data.size()));
    else if (op.kind == Operation::DeleteValue)
        status = RegDeleteValueA(key, op.name.c_str());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS &&
        !(op.kind == Operation::DeleteValue && status == ERROR_FILE_NOT_FOUND))
        FailSystem("writing \"" + op.name + "\" of " + op.path, status);
}

void Import(const std::string& file, Output& output) {
    // The whole file is checked before anything is written.
    std::vector<Operation> operations = ParseFile(file);
    int values = 0;
    for (const Operation& op : operations) {
        Apply(op);
        values += op.kind == Operation::SetValue;
    }
    if (output.Json())
        output.Print(Json::Object().Add("imported", file).Add("values", values));
    else
        output.Text() << "imported " << values << " values from " << file << '\n';
}

void RunReg(CommandLine& line, Output& output) {
    std::string action = line.Next("export or import");
    std::string file = line.Next("FILE");
    line.Finish();
    if (action == "export")
        Export(file, output);
    else if (action == "import")
        Import(file, output);
    else
        throw UsageError("reg export or reg import, not '" + action + "'");
}

}  // namespace

const Command kRegCommand = {
    "reg", "export FILE | import FILE",
    "the camera's registry keys (the machine's and the user's settings) in the registry file "
    "format; export to - writes to the standard output",
    RunReg};

}  // namespace kmxctl
