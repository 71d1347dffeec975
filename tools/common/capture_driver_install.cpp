#include "capture_driver_install.h"

#include <kmx512u/kmxmjpg.h>
#include <kmx512u/kmxvfw.h>
#include <kmxwin/driver_registry.h>

#include "failures.h"

#include <cstdio>

namespace kmxtool {
namespace {

constexpr char kDescription[] = "USB Camera (KMX512) Video Capture";

// A section key of HKEY_LOCAL_MACHINE, created when WRITE asks for it; null
// when it does not exist and only reading was asked for.
class SectionKey {
  public:
    SectionKey(const char* section, bool write) {
        std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + section;
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

bool NamesOurCodec(const std::optional<std::string>& value) {
    return value && ModuleOf(*value) == KMXMJPG_CODEC_MODULE;
}

// Registers the MJPG codec, leaving another codec that holds its alias in
// place; what the alias holds afterwards.
std::string InstallMjpgCodec(SectionKey& drivers) {
    std::optional<std::string> held = drivers.Read(KMXMJPG_CODEC_ALIAS);
    if (held && !NamesOurCodec(held)) return *held;
    drivers.Write(KMXMJPG_CODEC_ALIAS, KMXMJPG_CODEC_MODULE);
    SectionKey(KMXWIN_DRIVER_DESCRIPTIONS_SECTION, true)
        .Write(KMXMJPG_CODEC_MODULE, KMXMJPG_CODEC_DESCRIPTION);
    return KMXMJPG_CODEC_MODULE;
}

}  // namespace

std::string CaptureDriverAlias(DWORD slot) {
    return slot == 0 ? KMXWIN_CAPTURE_DRIVER_ALIAS
                     : KMXWIN_CAPTURE_DRIVER_ALIAS + std::to_string(slot);
}

std::optional<std::string> ReadCaptureDriverAlias(DWORD slot) {
    return SectionKey(KMXWIN_DRIVERS32_SECTION, false).Read(CaptureDriverAlias(slot));
}

bool NamesLinkingDriver(const std::optional<std::string>& value) {
    return value && ModuleOf(*value) == KMXVFW32_LINKING_DRIVER;
}

InstalledDriver InstallCaptureDriver(std::optional<DWORD> slot,
                                     std::optional<std::pair<DWORD, DWORD>> identity) {
    std::string value = KMXVFW32_LINKING_DRIVER;
    if (identity) {
        // "WORD1 WORD2", as the driver's configuration passes them on.
        char words[32];
        snprintf(words, sizeof words, " 0x%08lX 0x%08lX",
                 static_cast<unsigned long>(identity->first),
                 static_cast<unsigned long>(identity->second));
        value += words;
    }
    SectionKey drivers(KMXWIN_DRIVERS32_SECTION, true);
    if (!slot) {
        for (DWORD candidate = 0; candidate < KMXWIN_CAPTURE_DRIVER_SLOTS && !slot; ++candidate)
            if (NamesLinkingDriver(drivers.Read(CaptureDriverAlias(candidate)))) slot = candidate;
        for (DWORD candidate = 0; candidate < KMXWIN_CAPTURE_DRIVER_SLOTS && !slot; ++candidate)
            if (!drivers.Read(CaptureDriverAlias(candidate))) slot = candidate;
        if (!slot) throw Failure("every capture driver alias is taken (msvideo to msvideo9)");
    } else if (std::optional<std::string> taken = drivers.Read(CaptureDriverAlias(*slot));
               taken && !NamesLinkingDriver(taken)) {
        throw Failure(CaptureDriverAlias(*slot) + " holds another driver (" + *taken + ")");
    }
    drivers.Write(CaptureDriverAlias(*slot), value);
    SectionKey(KMXWIN_DRIVER_DESCRIPTIONS_SECTION, true)
        .Write(KMXVFW32_LINKING_DRIVER, kDescription);
    return {*slot, value, InstallMjpgCodec(drivers)};
}

std::vector<std::string> UninstallCaptureDriver(std::optional<DWORD> slot) {
    SectionKey drivers(KMXWIN_DRIVERS32_SECTION, true);
    std::vector<std::string> removed;
    bool still_named = false;
    for (DWORD candidate = 0; candidate < KMXWIN_CAPTURE_DRIVER_SLOTS; ++candidate) {
        if (!NamesLinkingDriver(drivers.Read(CaptureDriverAlias(candidate)))) continue;
        if (slot && *slot != candidate) {
            still_named = true;
            continue;
        }
        drivers.Delete(CaptureDriverAlias(candidate));
        removed.push_back(CaptureDriverAlias(candidate));
    }
    if (!still_named) {
        SectionKey descriptions(KMXWIN_DRIVER_DESCRIPTIONS_SECTION, true);
        descriptions.Delete(KMXVFW32_LINKING_DRIVER);
        if (NamesOurCodec(drivers.Read(KMXMJPG_CODEC_ALIAS))) {
            drivers.Delete(KMXMJPG_CODEC_ALIAS);
            descriptions.Delete(KMXMJPG_CODEC_MODULE);
            removed.push_back(KMXMJPG_CODEC_ALIAS);
        }
    }
    return removed;
}

}  // namespace kmxtool
