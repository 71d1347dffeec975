// kmxctl driver install|uninstall|list: the capture driver as capture
// applications find it. Installing writes an msvideo alias ("msvideo",
// "msvideo1" ... "msvideo9") naming the linking driver, optionally with the
// camera identity it asks for, and the driver's description; uninstalling
// removes the aliases that name it; list shows every installed capture
// driver as capGetDriverDescriptionA describes it.
#include <windows.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>
#include <kmxwin/driver_registry.h>

#include "failures.h"
#include "tool.h"

#include <optional>
#include <string>

namespace kmxctl {
namespace {

constexpr char kDescription[] = "USB Camera (KMX512) Video Capture";

std::string SectionPath(const char* section) {
    return std::string(KMXWIN_DRIVERS_KEY) + "\\" + section;
}

std::string Alias(DWORD slot) {
    return slot == 0 ? KMXWIN_CAPTURE_DRIVER_ALIAS
                     : KMXWIN_CAPTURE_DRIVER_ALIAS + std::to_string(slot);
}

// A section key of HKEY_LOCAL_MACHINE, created when WRITE asks for it; null
// when it does not exist and only reading was asked for.
class SectionKey {
  public:
    SectionKey(const char* section, bool write) {
        std::string path = SectionPath(section);
        LSTATUS opened = write
                             ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, &key_, nullptr)
                             : RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key_);
        if (opened == ERROR_FILE_NOT_FOUND && !write) return;
        if (opened != ERROR_SUCCESS) FailSystem("opening " + path, opened);
    }
    ~SectionKey() {
        if (key_) RegCloseKey(key_);
    }
    SectionKey(const SectionKey&) = delete;
    SectionKey& operator=(const SectionKey&) = delete;

    std::optional<std::string> Read(const std::string& name) const {
        if (!key_) return std::nullopt;
        char data[MAX_PATH] = {};
        DWORD type = 0, size = sizeof data - 1;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                             &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return std::nullopt;
        return std::string(data);
    }
    void Write(const std::string& name, const std::string& text) {
        LSTATUS written = RegSetValueExA(key_, name.c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(text.c_str()),
                                         static_cast<DWORD>(text.size() + 1));
        if (written != ERROR_SUCCESS) FailSystem("writing " + name, written);
    }
    void Delete(const std::string& name) {
        LSTATUS deleted = RegDeleteValueA(key_, name.c_str());
        if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
            FailSystem("removing " + name, deleted);
    }

  private:
    HKEY key_ = nullptr;
};

// The module an alias value names: its first word.
std::string ModuleOf(const std::string& value) {
    size_t start = value.find_first_not_of(' ');
    if (start == std::string::npos) return {};
    return value.substr(start, value.find(' ', start) - start);
}

bool NamesOurDriver(const std::optional<std::string>& value) {
    return value && ModuleOf(*value) == KMXVFW32_LINKING_DRIVER;
}

std::optional<DWORD> SlotOption(CommandLine& line) {
    std::optional<std::string> slot = line.Option("--slot");
    if (!slot) return std::nullopt;
    return static_cast<DWORD>(ParseUnsigned(*slot, "the slot", KMXWIN_CAPTURE_DRIVER_SLOTS - 1));
}

void Install(CommandLine& line, Output& output) {
    std::optional<DWORD> slot = SlotOption(line);
    std::optional<std::string> identity = line.Option("--identity");
    line.Finish();
    std::string value = KMXVFW32_LINKING_DRIVER;
    if (identity) {
        // "WORD1:WORD2", as the driver's configuration passes them on.
        size_t colon = identity->find(':');
        if (colon == std::string::npos) throw UsageError("--identity takes WORD1:WORD2");
        uint64_t word1 = ParseUnsigned(identity->substr(0, colon), "identity word 1", MAXDWORD);
        uint64_t word2 = ParseUnsigned(identity->substr(colon + 1), "identity word 2", MAXDWORD);
        char words[32];
        snprintf(words, sizeof words, " 0x%08llX 0x%08llX", static_cast<unsigned long long>(word1),
                 static_cast<unsigned long long>(word2));
        value += words;
    }
    SectionKey drivers(KMXWIN_DRIVERS32_SECTION, true);
    if (!slot) {
        // The slot that names the driver already, else the first free one.
        for (DWORD candidate = 0; candidate < KMXWIN_CAPTURE_DRIVER_SLOTS && !slot; ++candidate)
            if (NamesOurDriver(drivers.Read(Alias(candidate)))) slot = candidate;
        for (DWORD candidate = 0; candidate < KMXWIN_CAPTURE_DRIVER_SLOTS && !slot; ++candidate)
            if (!drivers.Read(Alias(candidate))) slot = candidate;
        if (!slot) throw Failure("every capture driver alias is taken (msvideo to msvideo9)");
    } else if (std::optional<std::string> taken = drivers.Read(Alias(*slot));
               taken && !NamesOurDriver(taken)) {
        throw Failure(Alias(*slot) + " holds another driver (" + *taken + ")");
    }
    drivers.Write(Alias(*slot), value);
    SectionKey(KMXWIN_DRIVER_DESCRIPTIONS_SECTION, true)
        .Write(KMXVFW32_LINKING_DRIVER, kDescription);
    if (output.Json())
        output.Print(
            Json::Object().Add("alias", Alias(*slot)).Add("slot", *slot).Add("value", value));
    else
        output.Text() << "installed as " << Alias(*slot) << " (driver index " << *slot
                      << "): " << value << '\n';
}

void Uninstall(CommandLine& line, Output& output) {
    std::optional<DWORD> slot = SlotOption(line);
    line.Finish();
    SectionKey drivers(KMXWIN_DRIVERS32_SECTION, true);
    Json removed = Json::Array();
    bool still_named = false;
    for (DWORD candidate = 0; candidate < KMXWIN_CAPTURE_DRIVER_SLOTS; ++candidate) {
        if (!NamesOurDriver(drivers.Read(Alias(candidate)))) continue;
        if (slot && *slot != candidate) {
            still_named = true;
            continue;
        }
        drivers.Delete(Alias(candidate));
        removed.Push(Alias(candidate));
        if (!output.Json()) output.Text() << "removed " << Alias(candidate) << '\n';
    }
    if (!still_named)
        SectionKey(KMXWIN_DRIVER_DESCRIPTIONS_SECTION, true).Delete(KMXVFW32_LINKING_DRIVER);
    if (output.Json()) output.Print(Json::Object().Add("removed", removed));
}

void List(CommandLine& line, Output& output) {
    line.Finish();
    SectionKey drivers(KMXWIN_DRIVERS32_SECTION, false);
    Json list = Json::Array();
    bool listed = false;
    for (DWORD slot = 0; slot < KMXWIN_CAPTURE_DRIVER_SLOTS; ++slot) {
        char name[256] = {}, version[256] = {};
        if (!capGetDriverDescriptionA(slot, name, sizeof name, version, sizeof version)) continue;
        listed = true;
        std::string value = drivers.Read(Alias(slot)).value_or("");
        list.Push(Json::Object()
                      .Add("index", slot)
                      .Add("alias", Alias(slot))
                      .Add("name", name)
                      .Add("version", version)
                      .Add("value", value));
        if (!output.Json())
            output.Text() << slot << "  " << Alias(slot) << "  " << name
                          << (*version ? std::string("  ") + version : std::string()) << "  ("
                          << value << ")\n";
    }
    if (output.Json())
        output.Print(list);
    else if (!listed)
        output.Text() << "no capture driver is installed\n";
}

void RunDriver(CommandLine& line, Output& output) {
    std::string action = line.Next("install, uninstall or list");
    if (action == "install")
        Install(line, output);
    else if (action == "uninstall")
        Uninstall(line, output);
    else if (action == "list")
        List(line, output);
    else
        throw UsageError("unknown action '" + action + "' (install, uninstall or list)");
}

}  // namespace

const Command kDriverCommand = {
    "driver", "install [--slot N] [--identity WORD1:WORD2] | uninstall [--slot N] | list",
    "install the capture driver as an msvideo alias, remove it, or list the capture drivers",
    RunDriver};

}  // namespace kmxctl
