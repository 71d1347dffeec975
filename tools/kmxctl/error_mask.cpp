// kmxctl errors: the user-mode error mask, the registry value into which
// the library's frame path records each kind of failure it meets on this
// machine, with the meaning of each bit; --clear starts it afresh.
#include <windows.h>

#include <kmxrecords/settings_keys.h>

#include "failures.h"
#include "tool.h"

#include <string>

namespace kmxctl {
namespace {

using kmx::kUserModeErrorMaskValue;

const char* MeaningOf(DWORD bit) {
    for (const kmx::UserModeErrorBit& known : kmx::kUserModeErrorBits)
        if (known.bit == bit) return known.meaning;
    return "not a bit the library sets";
}

// The stored mask; 0 when the key or the value is missing.
DWORD StoredMask() {
    HKEY key = nullptr;
    LSTATUS opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, 0, KEY_READ, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return 0;
    if (opened != ERROR_SUCCESS) FailSystem("opening the machine's settings key", opened);
    DWORD mask = 0, type = 0, size = sizeof mask;
    LSTATUS read = RegQueryValueExA(key, kUserModeErrorMaskValue, nullptr, &type,
                                    reinterpret_cast<BYTE*>(&mask), &size);
    RegCloseKey(key);
    if (read == ERROR_FILE_NOT_FOUND) return 0;
    if (read != ERROR_SUCCESS) FailSystem("reading the error mask", read);
    // The library reads nothing but a 4-byte REG_DWORD; neither does this.
    if (type != REG_DWORD || size != sizeof mask)
        throw Failure(std::string("the error mask \"") + kUserModeErrorMaskValue +
                      "\" is not a REG_DWORD");
    return mask;
}

void ClearMask() {
    HKEY key = nullptr;
    LSTATUS opened =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, 0, KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return;  // nothing recorded, nothing to clear
    if (opened != ERROR_SUCCESS) FailSystem("opening the machine's settings key", opened);
    DWORD zero = 0;
    LSTATUS written = RegSetValueExA(key, kUserModeErrorMaskValue, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    RegCloseKey(key);
    if (written != ERROR_SUCCESS) FailSystem("clearing the error mask", written);
}

void RunErrors(CommandLine& line, Output& output) {
    bool clear = line.Flag("--clear");
    line.Finish();
    // What was recorded is shown also when it is cleared, so that it is not
    // lost unseen.
    DWORD mask = StoredMask();
    if (clear) ClearMask();
    Json bits = Json::Array();
    char hex[16];
    snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(mask));
    if (!output.Json())
        output.Text() << "error mask " << hex << (clear ? " (now cleared)" : "") << '\n';
    for (DWORD bit = 1; bit; bit <<= 1) {
        if (!(mask & bit)) continue;
        bits.Push(Json::Object().Add("bit", bit).Add("meaning", MeaningOf(bit)));
        if (!output.Json()) output.Text() << "  " << bit << "  " << MeaningOf(bit) << '\n';
    }
    if (output.Json())
        output.Print(Json::Object().Add("mask", mask).Add("errors", bits).Add("cleared", clear));
    else if (!mask)
        output.Text() << "  no errors recorded\n";
}

}  // namespace

const Command kErrorsCommand = {
    "errors", "[--clear]",
    "the user-mode error mask (\"DebugUserModeErr\" of the machine) with the meaning of each "
    "bit; --clear sets it to 0 after showing it",
    RunErrors};

}  // namespace kmxctl
