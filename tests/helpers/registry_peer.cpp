// A second process for the registry's cross-process tests. Options, before
// any registry call:
//   --hkcu PATH / --hklm PATH  use that hive file
//   --unprivileged             when started as root, run as nobody (so that
//                              file permissions apply to it)
// It reads one command per line from standard input and answers one line on
// standard output; "error N" reports a failed call's result. It works on one
// current key:
//   root HKCU|HKLM               -> "ok" (the predefined key becomes current)
//   open ROOT PATH read|all      -> "ok" or "error N"
//   create ROOT PATH read|all    -> "ok" or "error N"
//   set NAME VALUE               -> "ok" or "error N" (a REG_DWORD)
//   get NAME                     -> "value N" or "error N"
//   set-many PREFIX COUNT        -> "ok" or "error N" (REG_DWORDs PREFIX0... = 0...)
//   delete-key PATH              -> "ok" or "error N" (below the current key)
//   notify-async FILTER          -> "armed" or "error N"
//   wait-event MILLISECONDS      -> "signalled" or "timeout"
//   notify-sync FILTER           -> "changed" once the call returns, or "error N"
#include <windows.h>

#include <grp.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace {

std::string Result(LSTATUS status, const char* success = "ok") {
    return status == ERROR_SUCCESS ? success : "error " + std::to_string(status);
}

HKEY Root(const std::string& name) {
    return name == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM Access(const std::string& name) {
    return name == "all" ? KEY_ALL_ACCESS : KEY_READ;
}

bool DropPrivileges() {
    if (geteuid() != 0) return true;
    const gid_t nobody_group = 65534;
    const uid_t nobody = 65534;
    return setgroups(0, nullptr) == 0 && setgid(nobody_group) == 0 && setuid(nobody) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int index = 1; index < argc; ++index) {
        if (!strcmp(argv[index], "--hkcu") && index + 1 < argc) {
            setenv("KMX512_HKCU", argv[++index], 1);
        } else if (!strcmp(argv[index], "--hklm") && index + 1 < argc) {
            setenv("KMX512_HKLM", argv[++index], 1);
        } else if (!strcmp(argv[index], "--unprivileged") && !DropPrivileges()) {
            std::cout << "cannot drop privileges" << std::endl;
            return 2;
        }
    }

    HKEY key = nullptr;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    auto close_key = [&] {
        if (key && key != HKEY_CURRENT_USER && key != HKEY_LOCAL_MACHINE) RegCloseKey(key);
        key = nullptr;
    };
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, name, option;
        words >> command;
        std::string answer;
        if (command == "root") {
            words >> name;
            close_key();
            key = Root(name);
            answer = "ok";
        } else if (command == "open" || command == "create") {
            std::string path;
            words >> name >> path >> option;
            close_key();
            LSTATUS status =
                command == "open"
                    ? RegOpenKeyExA(Root(name), path.c_str(), 0, Access(option), &key)
                    : RegCreateKeyExA(Root(name), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      Access(option), nullptr, &key, nullptr);
            answer = Result(status);
        } else if (command == "set") {
            DWORD value = 0;
            words >> name >> value;
            answer = Result(RegSetValueExA(key, name.c_str(), 0, REG_DWORD,
                                           reinterpret_cast<const BYTE*>(&value), sizeof value));
        } else if (command == "get") {
            words >> name;
            DWORD value = 0, size = sizeof value;
            LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&value), &size);
            answer = status == ERROR_SUCCESS ? "value " + std::to_string(value) : Result(status);
        } else if (command == "set-many") {
            DWORD count = 0;
            words >> name >> count;
            LSTATUS status = ERROR_SUCCESS;
            for (DWORD index = 0; index < count && status == ERROR_SUCCESS; ++index) {
                std::string value_name = name + std::to_string(index);
                status = RegSetValueExA(key, value_name.c_str(), 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&index), sizeof index);
            }
            answer = Result(status);
        } else if (command == "delete-key") {
            words >> name;
            answer = Result(RegDeleteKeyA(key, name.c_str()));
        } else if (command == "notify-async") {
            DWORD filter = 0;
            words >> filter;
            answer = Result(RegNotifyChangeKeyValue(key, FALSE, filter, event, TRUE), "armed");
        } else if (command == "wait-event") {
            DWORD milliseconds = 0;
            words >> milliseconds;
            answer =
                WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0 ? "signalled" : "timeout";
        } else if (command == "notify-sync") {
            DWORD filter = 0;
            words >> filter;
            answer = Result(RegNotifyChangeKeyValue(key, FALSE, filter, nullptr, FALSE), "changed");
        } else {
            answer = "unknown command";
        }
        std::cout << answer << std::endl;
    }
    return 0;
}
