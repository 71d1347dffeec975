// kmxctl reg: the library's registry keys — the machine's and the user's
// settings key with every sub-key — exported to and imported from the
// Windows registry file format. Files are written as 8-bit text with CRLF
// line ends; imports also take the UTF-16 files the registry editor writes,
// and the older "REGEDIT4".
//
// An import writes all of a file or nothing: the file is read and checked
// whole first, and when a write fails even so (a hive this user may not
// write, a full disk), the keys it changed are put back as they were.
// Trees are walked and deleted with open handles a level at a time, never
// by their full paths and never by recursion, so that the work grows with
// the number of keys and values, however deep the tree.
#include <windows.h>

#include <kmxrecords/settings_keys.h>

#include "failures.h"
#include "registry_file_format.h"
#include "tool.h"

#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kmxctl {
namespace {

// One open key of a walk.
struct OpenKey {
    HKEY key;
    std::string name;    // in its parent
    size_t path_before;  // the length of the walk's path without the name
    DWORD next_sub_key = 0;
};

// A key of a walk, as its visitor sees it.
struct VisitedKey {
    HKEY key;
    const std::string& path;
    size_t depth;  // below the walk's first key
    const std::string& name;
};

std::string SubKeyName(HKEY key, DWORD index, const std::string& path, bool* found) {
    char name[kKeyNameSize];
    DWORD size = sizeof name;
    LSTATUS status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    *found = status == ERROR_SUCCESS;
    if (status != ERROR_SUCCESS && status != ERROR_NO_MORE_ITEMS)
        FailSystem("listing the keys of " + path, status);
    return *found ? name : "";
}

HKEY OpenSubKey(HKEY parent, const std::string& name, REGSAM access, const std::string& path) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(parent, name.c_str(), 0, access, &key);
    if (status != ERROR_SUCCESS) FailSystem("opening " + path, status);
    return key;
}

// A walk down the tree of one open key, with a handle open on each key from
// there to the one at hand. Each step is the next sub-key of the deepest
// open key, in name order, or the end of that key.
class TreeWalk {
  public:
    TreeWalk(HKEY key, std::string path, REGSAM access)
        : access_(access), path_(std::move(path)), open_{{key, "", 0}} {}
    ~TreeWalk() {
        for (size_t level = 1; level < open_.size(); ++level) RegCloseKey(open_[level].key);
    }
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;

    bool Done() const { return open_.empty(); }
    const OpenKey& Deepest() const { return open_.back(); }
    size_t Depth() const { return open_.size() - 1; }
    const std::string& Path() const { return path_; }

    // Opens the sub-key at INDEX of the deepest key (the next one when
    // INDEX is omitted) and goes down into it; false when there is none.
    bool Down(std::optional<DWORD> index = std::nullopt) {
        OpenKey& top = open_.back();
        bool found = false;
        std::string name = SubKeyName(top.key, index.value_or(top.next_sub_key), path_, &found);
        if (!found) return false;
        if (!index) ++top.next_sub_key;
        size_t before = path_.size();
        path_ += "\\" + name;
        HKEY child = OpenSubKey(top.key, name, access_, path_);
        open_.push_back({child, name, before});
        return true;
    }
    // Closes the deepest key and goes back to its parent (the walk's first
    // key is left to its owner).
    void Up() {
        if (open_.size() > 1) RegCloseKey(open_.back().key);
        path_.resize(open_.back().path_before);
        open_.pop_back();
    }

  private:
    REGSAM access_;
    std::string path_;
    std::vector<OpenKey> open_;
};

// Calls VISIT with KEY (named PATH) and then every key below it, each
// before its sub-keys and its sub-keys in name order.
void VisitTree(HKEY key, const std::string& path,
               const std::function<void(const VisitedKey&)>& visit) {
    TreeWalk walk(key, path, KEY_READ);
    visit({key, walk.Path(), 0, ""});
    while (!walk.Done()) {
        if (walk.Down())
            visit({walk.Deepest().key, walk.Path(), walk.Depth(), walk.Deepest().name});
        else
            walk.Up();
    }
}

// Calls VISIT with the name, type and data of each value of KEY.
void VisitValues(
    HKEY key, const std::string& path,
    const std::function<void(const std::string&, DWORD, const std::vector<BYTE>&)>& visit) {
    std::vector<char> name(kValueNameSize);
    for (DWORD index = 0;; ++index) {
        DWORD name_size = kValueNameSize, type = 0, size = 0;
        LSTATUS status =
            RegEnumValueA(key, index, name.data(), &name_size, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) return;
        if (status != ERROR_SUCCESS) FailSystem("listing the values of " + path, status);
        std::vector<BYTE> data(size);
        DWORD read = size;
        status = RegQueryValueExA(key, name.data(), nullptr, &type, data.data(), &read);
        if (status != ERROR_SUCCESS) FailSystem("reading a value of " + path, status);
        data.resize(read);
        visit(name.data(), type, data);
    }
}

// Visits the camera's settings key of ROOT and the keys below it; nothing
// when it does not exist.
void VisitSettings(const RegistryRoot& root, const std::function<void(const VisitedKey&)>& visit) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(root.key, kmx::kSettingsKeyPath, 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) FailSystem(std::string("opening ") + root.name, status);
    try {
        VisitTree(key, kmx::kSettingsKeyPath, visit);
    } catch (...) {
        RegCloseKey(key);
        throw;
    }
    RegCloseKey(key);
}

// Deletes PATH below ROOT with everything below it, deepest keys first.
// Each deletion adds ROOT to CHANGED.
void DeleteTree(HKEY root, const std::string& path, std::set<HKEY>& changed) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) FailSystem("opening " + path, status);
    try {
        TreeWalk walk(key, path, KEY_ALL_ACCESS);
        // Down the first sub-key each time; a key with none left is deleted
        // from its parent, which is then looked at again.
        for (;;) {
            if (walk.Down(0)) continue;
            if (walk.Depth() == 0) break;
            const std::string name = walk.Deepest().name, gone = walk.Path();
            walk.Up();
            status = RegDeleteKeyA(walk.Deepest().key, name.c_str());
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
                FailSystem("deleting " + gone, status);
            changed.insert(root);
        }
    } catch (...) {
        RegCloseKey(key);
        throw;
    }
    RegCloseKey(key);
    status = RegDeleteKeyA(root, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        FailSystem("deleting " + path, status);
    changed.insert(root);
}

// Carries out OP; CHANGED collects the roots written so far.
void Apply(const RegistryOperation& op, std::set<HKEY>& changed) {
    if (op.kind == RegistryOperation::DeleteKey) return DeleteTree(op.root, op.path, changed);
    HKEY key = nullptr;
    DWORD disposition = 0;
    LSTATUS status = RegCreateKeyExA(op.root, op.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS) FailSystem("creating " + op.path, status);
    if (disposition == REG_CREATED_NEW_KEY) changed.insert(op.root);
    if (op.kind == RegistryOperation::SetValue)
        status = RegSetValueExA(key, op.name.c_str(), 0, op.type, op.data.data(),
                                static_cast<DWORD>(op.data.size()));
    else if (op.kind == RegistryOperation::DeleteValue)
        status = RegDeleteValueA(key, op.name.c_str());
    RegCloseKey(key);
    if (op.kind == RegistryOperation::DeleteValue && status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) FailSystem("writing \"" + op.name + "\" of " + op.path, status);
    if (op.kind != RegistryOperation::CreateKey) changed.insert(op.root);
}

// The settings of one root as they were before an import, to put back when
// it fails: each key in walk order, by its depth and name, with its values.
struct SavedValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};
struct SavedKey {
    size_t depth;  // below the settings key
    std::string name;
    std::vector<SavedValue> values;
};
struct SavedSettings {
    const RegistryRoot* root;
    std::vector<SavedKey> keys;  // empty when there was no settings key
};

SavedSettings Save(const RegistryRoot& root) {
    SavedSettings saved{&root, {}};
    VisitSettings(root, [&](const VisitedKey& visited) {
        saved.keys.push_back({visited.depth, visited.name, {}});
        VisitValues(visited.key, visited.path,
                    [&](const std::string& name, DWORD type, const std::vector<BYTE>& data) {
                        saved.keys.back().values.push_back({name, type, data});
                    });
    });
    return saved;
}

// Makes the settings of SAVED's root what they were, each key made below
// its parent's open handle.
void Restore(const SavedSettings& saved) {
    std::set<HKEY> changed;
    DeleteTree(saved.root->key, kmx::kSettingsKeyPath, changed);
    std::vector<HKEY> open;  // the parents of the key at hand, by depth
    try {
        for (const SavedKey& saved_key : saved.keys) {
            while (open.size() > saved_key.depth) {
                RegCloseKey(open.back());
                open.pop_back();
            }
            HKEY parent = open.empty() ? saved.root->key : open.back();
            const char* name = open.empty() ? kmx::kSettingsKeyPath : saved_key.name.c_str();
            HKEY key = nullptr;
            LSTATUS status = RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr);
            if (status != ERROR_SUCCESS) FailSystem(std::string("making ") + name, status);
            open.push_back(key);
            for (const SavedValue& value : saved_key.values) {
                status = RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                                        static_cast<DWORD>(value.data.size()));
                if (status != ERROR_SUCCESS)
                    FailSystem("writing \"" + value.name + "\" back", status);
            }
        }
    } catch (...) {
        for (HKEY key : open) RegCloseKey(key);
        throw;
    }
    for (HKEY key : open) RegCloseKey(key);
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
    out << kRegistryFileHeader << eol;
    int keys = 0;
    for (const RegistryRoot& root : kRegistryRoots) {
        VisitSettings(root, [&](const VisitedKey& visited) {
            out << eol << KeyLine(std::string(root.name) + "\\" + visited.path, eol);
            ++keys;
            VisitValues(visited.key, visited.path,
                        [&](const std::string& name, DWORD type, const std::vector<BYTE>& data) {
                            out << ValueLine(name, type, data, eol);
                        });
        });
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

void Import(const std::string& file, Output& output) {
    const std::vector<RegistryOperation> operations = ReadRegistryFile(file);
    std::vector<SavedSettings> before;
    for (const RegistryRoot& root : kRegistryRoots) before.push_back(Save(root));
    std::set<HKEY> changed;
    int values = 0;
    try {
        for (const RegistryOperation& op : operations) {
            Apply(op, changed);
            values += op.kind == RegistryOperation::SetValue;
        }
    } catch (const Failure& failure) {
        try {
            for (const SavedSettings& saved : before)
                if (changed.count(saved.root->key)) Restore(saved);
        } catch (const Failure& also) {
            throw Failure(std::string(failure.what()) +
                          "; putting the keys back as they were failed too: " + also.what());
        }
        throw Failure(std::string(failure.what()) +
                      "; nothing was imported, the keys are as they were");
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
    "format; export to - writes to the standard output; an import writes the whole file or "
    "nothing",
    RunReg};

}  // namespace kmxctl
