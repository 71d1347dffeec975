// A capture application in a second process: it reaches the capture driver
// only as applications do, through OpenDriver and SendDriverMessage. One
// command a line, one answer a line:
//   open DRIVER   -> "error N", the open's dwError (0: open)
//   format        -> "format W H BITS COMPRESSION SIZE" from DVM_FORMAT,
//                    after asking the header's size
//   set W H BITS COMPRESSION SIZE -> "status N" of DVM_FORMAT
//   close         -> "closed N" from CloseDriver
#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <iostream>
#include <sstream>
#include <string>

namespace {

LRESULT Format(HDRVR driver, DWORD flags, BITMAPINFOHEADER* header, DWORD* answer) {
    VIDEOCONFIGPARMS parameters{answer, header, sizeof *header, nullptr, 0};
    return SendDriverMessage(driver, DVM_FORMAT, flags, reinterpret_cast<LPARAM>(&parameters));
}

}  // namespace

int main() {
    HDRVR driver = nullptr;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "open") {
            std::string name;
            words >> name;
            std::u16string wide(name.begin(), name.end());
            VIDEO_OPEN_PARMS parameters{};
            parameters.dwSize = sizeof parameters;
            parameters.fccType = mmioFOURCC('v', 'c', 'a', 'p');
            parameters.dwFlags = VIDEO_IN;
            driver = OpenDriver(wide.c_str(), nullptr, reinterpret_cast<LPARAM>(&parameters));
            std::cout << "error " << (driver ? 0 : parameters.dwError) << std::endl;
        } else if (command == "format") {
            DWORD size = 0;
            BITMAPINFOHEADER header{};
            LRESULT asked =
                Format(driver, VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_QUERYSIZE, nullptr, &size);
            LRESULT got =
                Format(driver, VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_CURRENT, &header, nullptr);
            if (asked != DV_ERR_OK || size != sizeof header || got != DV_ERR_OK) {
                std::cout << "failed " << asked << ' ' << size << ' ' << got << std::endl;
                continue;
            }
            std::cout << "format " << header.biWidth << ' ' << header.biHeight << ' '
                      << header.biBitCount << ' ' << header.biCompression << ' '
                      << header.biSizeImage << std::endl;
        } else if (command == "set") {
            BITMAPINFOHEADER header{};
            header.biSize = sizeof header;
            header.biPlanes = 1;
            words >> header.biWidth >> header.biHeight >> header.biBitCount >>
                header.biCompression >> header.biSizeImage;
            std::cout << "status " << Format(driver, VIDEO_CONFIGURE_SET, &header, nullptr)
                      << std::endl;
        } else if (command == "close") {
            std::cout << "closed " << CloseDriver(driver, 0, 0) << std::endl;
            driver = nullptr;
        } else {
            std::cout << "unknown command" << std::endl;
        }
    }
    return 0;
}
