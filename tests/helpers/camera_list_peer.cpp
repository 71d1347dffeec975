// A second process for the camera list's cross-process tests. It holds the
// registry access mutex as the library's module start does, reads one
// command per line from standard input and answers one line:
//   refresh     -> "refreshed" once the camera list is brought up to date
//                  (a process refreshes at most once a second)
//   lookup ID   -> "path P" or "none"
//   record FIRST COUNT ROUNDS -> "recorded" once error bits FIRST to
//                  FIRST + COUNT - 1 have each been recorded ROUNDS times
#include <windows.h>

#include "debug/debug_flags.h"
#include "device/camera_enumeration.h"
#include "device/kernel_channel.h"

#include <iostream>
#include <sstream>
#include <string>

int main() {
    if (!kmx::CreateRegistryMutex()) return 1;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "refresh") {
            kmx::RefreshCameraList();
            std::cout << "refreshed" << std::endl;
        } else if (command == "lookup") {
            DWORD id = 0;
            words >> id;
            char path[kmx::kCameraPathSize];
            std::cout << (kmx::LookupCamera(path, id) ? "path " + std::string(path) : "none")
                      << std::endl;
        } else if (command == "record") {
            int first = 0, count = 0, rounds = 0;
            words >> first >> count >> rounds;
            for (int round = 0; round < rounds; ++round)
                for (int bit = first; bit < first + count; ++bit)
                    kmx::RecordUserModeError(1u << bit);
            std::cout << "recorded" << std::endl;
        } else {
            std::cout << "unknown command" << std::endl;
        }
    }
    kmx::CloseRegistryMutex();
    return 0;
}
