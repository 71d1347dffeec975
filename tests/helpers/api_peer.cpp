// A second process for the programming interface's cross-process tests. It
// runs the library's module start, reads one command per line from standard
// input and answers one line:
//   open ID   -> "status N" (the handle is kept for the commands below)
//   lock      -> "status N" of KMXPI_HandleLockVfWOpen
//   unlock    -> "status N" of KMXPI_HandleUnLockVfWOpen
//   close     -> "status N" of KMXPI_HandleClose
//   query     -> "locked ID W1 W2" from QueryVfWLock
//   enum      -> "ids N..." of every camera, from KMXPI_CameraEnum
//   exit      -> "bye" after the module end, and the process ends
#include <windows.h>
#include <kmx512u/kmxpi.h>

#include "api/capture_lock.h"
#include "capture/module_lifecycle.h"

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main() {
    if (!kmx::DriverAppStart()) return 1;
    KMXPI_HANDLE handle = nullptr;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        DWORD status = 0;
        if (command == "open") {
            DWORD id = 0;
            words >> id;
            status = KMXPI_HandleOpen(id, &handle);
        } else if (command == "lock") {
            status = KMXPI_HandleLockVfWOpen(handle);
        } else if (command == "unlock") {
            status = KMXPI_HandleUnLockVfWOpen(handle);
        } else if (command == "close") {
            status = KMXPI_HandleClose(&handle);
        } else if (command == "query") {
            DWORD identity1 = 0, identity2 = 0;
            DWORD locked = kmx::QueryVfWLock(&identity1, &identity2);
            std::cout << "locked " << locked << ' ' << identity1 << ' ' << identity2 << std::endl;
            continue;
        } else if (command == "enum") {
            std::vector<DWORD> ids(16);
            DWORD count = 0;
            KMXPI_CameraEnum(0, 0, ids.data(), static_cast<DWORD>(ids.size()), &count);
            std::cout << "ids";
            for (DWORD i = 0; i < count && i < ids.size(); ++i) std::cout << ' ' << ids[i];
            std::cout << std::endl;
            continue;
        } else if (command == "exit") {
            // The module ends with the handle still open, as when a program
            // unloads the library; the handle is closed only afterwards.
            kmx::DriverAppExit();
            if (handle) KMXPI_HandleClose(&handle);
            std::cout << "bye" << std::endl;
            return 0;
        } else {
            std::cout << "unknown command" << std::endl;
            continue;
        }
        std::cout << "status " << status << std::endl;
    }
    if (handle) KMXPI_HandleClose(&handle);
    kmx::DriverAppExit();
    return 0;
}
