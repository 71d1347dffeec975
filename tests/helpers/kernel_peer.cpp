// A second process for the kernel services' cross-process tests. It reads one
// command per line from standard input and answers one line on standard
// output:
//   create-mutex NAME [own]  -> "created" or "exists", or "error N"
//   open-mutex NAME          -> "opened" or "error N"
//   wait-mutex MILLISECONDS  -> the wait result in decimal
//   release-mutex            -> "released" or "error N"
//   map-section NAME SIZE    -> "mapped" or "error N"
//   read-section INDEX       -> the 32-bit word at INDEX, in decimal
//   write-section INDEX VALUE-> "written"
//   serve PATH               -> "serving": serves the test interface PATH
//                               with the echo driver, or "error N"
//   exit CODE                -> ends the process without answering
#include <windows.h>
#include <kmxwin/shared_section.h>

#include "common/echo_driver.h"

#include <iostream>
#include <sstream>
#include <string>

namespace {

std::string Failure() {
    return "error " + std::to_string(GetLastError());
}

}  // namespace

int main() {
    HANDLE mutex = nullptr;
    DWORD* section = nullptr;
    kmxtest::EchoDriver driver;
    std::unique_ptr<kmxwin::DeviceInterface> interface;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, name, option;
        words >> command;
        std::string answer;
        if (command == "create-mutex") {
            words >> name >> option;
            mutex = CreateMutexA(nullptr, option == "own", name.c_str());
            answer = !mutex                                   ? Failure()
                     : GetLastError() == ERROR_ALREADY_EXISTS ? "exists"
                                                              : "created";
        } else if (command == "open-mutex") {
            words >> name;
            mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
            answer = mutex ? "opened" : Failure();
        } else if (command == "wait-mutex") {
            DWORD milliseconds = INFINITE;
            words >> milliseconds;
            answer = std::to_string(WaitForSingleObject(mutex, milliseconds));
        } else if (command == "release-mutex") {
            answer = ReleaseMutex(mutex) ? "released" : Failure();
        } else if (command == "map-section") {
            size_t size = 0;
            words >> name >> size;
            section = static_cast<DWORD*>(KmxWinMapSharedSection(name.c_str(), size));
            answer = section ? "mapped" : Failure();
        } else if (command == "read-section") {
            size_t index = 0;
            words >> index;
            answer = std::to_string(section[index]);
        } else if (command == "write-section") {
            size_t index = 0;
            DWORD value = 0;
            words >> index >> value;
            section[index] = value;
            answer = "written";
        } else if (command == "serve") {
            words >> name;
            interface =
                kmxwin::DeviceInterface::Register(kmxtest::kTestInterfaceClass, name, driver);
            answer = interface ? "serving" : Failure();
        } else if (command == "exit") {
            int code = 0;
            words >> code;
            return code;
        } else {
            answer = "unknown command";
        }
        std::cout << answer << std::endl;
    }
    return 0;
}
