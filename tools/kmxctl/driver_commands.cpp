// kmxctl driver install|uninstall|list: the capture driver as capture
// applications find it. Installing writes an msvideo alias ("msvideo",
// "msvideo1" ... "msvideo9") naming the linking driver, optionally with the
// camera identity it asks for, and the driver's description, and registers
// the MJPG codec as "vidc.MJPG"; uninstalling removes the aliases that name
// them; list shows every installed capture driver as
// capGetDriverDescriptionA describes it.
#include <windows.h>
#include <vfw.h>

#include <kmx512u/kmxmjpg.h>
#include <kmx512u/kmxvfw.h>
#include <kmxwin/driver_registry.h>

#include "capture_driver_install.h"
#include "failures.h"
#include "tool.h"

#include <optional>
#include <string>

namespace kmxctl {
namespace {

std::optional<DWORD> SlotOption(CommandLine& line) {
    std::optional<std::string> slot = line.Option("--slot");
    if (!slot) return std::nullopt;
    return static_cast<DWORD>(ParseUnsigned(*slot, "the slot", KMXWIN_CAPTURE_DRIVER_SLOTS - 1));
}

void Install(CommandLine& line, Output& output) {
    std::optional<DWORD> slot = SlotOption(line);
    std::optional<std::string> identity = line.Option("--identity");
    line.Finish();
    std::optional<std::pair<DWORD, DWORD>> words;
    if (identity) words = ParseIdentity(*identity);
    InstalledDriver installed = InstallCaptureDriver(slot, words);
    std::string alias = CaptureDriverAlias(installed.slot);
    if (output.Json()) {
        output.Print(Json::Object()
                         .Add("alias", alias)
                         .Add("slot", installed.slot)
                         .Add("value", installed.value)
                         .Add("codec", installed.codec_value));
        return;
    }
    output.Text() << "installed as " << alias << " (driver index " << installed.slot
                  << "): " << installed.value << '\n';
    if (installed.codec_value == KMXMJPG_CODEC_MODULE)
        output.Text() << "installed the MJPG codec as " << KMXMJPG_CODEC_ALIAS << ": "
                      << installed.codec_value << '\n';
    else
        output.Text() << KMXMJPG_CODEC_ALIAS
                      << " names another codec, left in place: " << installed.codec_value << '\n';
}

void Uninstall(CommandLine& line, Output& output) {
    std::optional<DWORD> slot = SlotOption(line);
    line.Finish();
    Json removed = Json::Array();
    for (const std::string& alias : UninstallCaptureDriver(slot)) {
        removed.Push(alias);
        if (!output.Json()) output.Text() << "removed " << alias << '\n';
    }
    if (output.Json()) output.Print(Json::Object().Add("removed", removed));
}

void List(CommandLine& line, Output& output) {
    line.Finish();
    Json list = Json::Array();
    bool listed = false;
    for (DWORD slot = 0; slot < KMXWIN_CAPTURE_DRIVER_SLOTS; ++slot) {
        char name[256] = {}, version[256] = {};
        if (!capGetDriverDescriptionA(slot, name, sizeof name, version, sizeof version)) continue;
        listed = true;
        std::string value = ReadCaptureDriverAlias(slot).value_or("");
        list.Push(Json::Object()
                      .Add("index", slot)
                      .Add("alias", CaptureDriverAlias(slot))
                      .Add("name", name)
                      .Add("version", version)
                      .Add("value", value));
        if (!output.Json())
            output.Text() << slot << "  " << CaptureDriverAlias(slot) << "  " << name
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
    "install the capture driver as an msvideo alias with the MJPG codec, remove them, or list the "
    "capture drivers",
    RunDriver};

}  // namespace kmxctl
