#include "capture_channel.h"

#include <mmsystem.h>

#include <kmx512u/kmxvfw.h>
#include <kmxwin/driver_registry.h>

#include "failures.h"

namespace kmxcap {

std::vector<CaptureDriverEntry> CaptureDrivers() {
    std::vector<CaptureDriverEntry> drivers;
    for (DWORD index = 0; index < KMXWIN_CAPTURE_DRIVER_SLOTS; ++index) {
        char name[256] = {}, version[256] = {};
        if (capGetDriverDescriptionA(static_cast<WORD>(index), name, sizeof name, version,
                                     sizeof version))
            drivers.push_back({index, name, version});
    }
    return drivers;
}

std::string DriverErrorName(LRESULT error) {
    static const char* const kNames[] = {"DV_ERR_OK",
                                         "DV_ERR_NONSPECIFIC",
                                         "DV_ERR_BADFORMAT",
                                         "DV_ERR_STILLPLAYING",
                                         "DV_ERR_UNPREPARED",
                                         "DV_ERR_SYNC",
                                         "DV_ERR_TOOMANYCHANNELS",
                                         "DV_ERR_NOTDETECTED",
                                         "DV_ERR_BADINSTALL",
                                         "DV_ERR_CREATEPALETTE",
                                         "DV_ERR_SIZEFIELD",
                                         "DV_ERR_PARAM1",
                                         "DV_ERR_PARAM2",
                                         "DV_ERR_CONFIG1",
                                         "DV_ERR_CONFIG2",
                                         "DV_ERR_FLAGS",
                                         "DV_ERR_13",
                                         "DV_ERR_NOTSUPPORTED",
                                         "DV_ERR_NOMEM",
                                         "DV_ERR_ALLOCATED",
                                         "DV_ERR_BADDEVICEID",
                                         "DV_ERR_INVALHANDLE",
                                         "DV_ERR_BADERRNUM",
                                         "DV_ERR_NO_BUFFERS"};
    std::string number = "(" + std::to_string(error) + ")";
    if (error >= 0 && static_cast<size_t>(error) < std::size(kNames))
        return kNames[error] + (" " + number);
    return "error " + number;
}

CaptureChannel::CaptureChannel(DriverChoice driver) {
    DWORD index = driver.index;
    std::string alias = driver.sixteen_bit
                            ? KMXVFW16_LINKING_DRIVER
                            : KMXWIN_CAPTURE_DRIVER_ALIAS + (index ? std::to_string(index) : "");
    std::u16string wide(alias.begin(), alias.end());
    VIDEO_OPEN_PARMS parameters{};
    parameters.dwSize = sizeof parameters;
    parameters.fccType = mmioFOURCC('v', 'c', 'a', 'p');
    parameters.dwFlags = VIDEO_IN;
    driver_ = OpenDriver(wide.c_str(), nullptr, reinterpret_cast<LPARAM>(&parameters));
    if (!driver_)
        throw kmxtool::Failure("opening capture driver " + std::to_string(index) + " (" + alias +
                               "): " +
                               (parameters.dwError ? DriverErrorName(parameters.dwError)
                                                   : std::string("it is not installed")));
}

CaptureChannel::~CaptureChannel() {
    CloseDriver(driver_, 0, 0);
}

LRESULT CaptureChannel::Send(UINT message, LPARAM lParam1, LPARAM lParam2) const {
    return SendDriverMessage(driver_, message, lParam1, lParam2);
}

void CaptureChannel::Check(const std::string& what, UINT message, LPARAM lParam1,
                           LPARAM lParam2) const {
    LRESULT answer = Send(message, lParam1, lParam2);
    if (answer != DV_ERR_OK) throw kmxtool::Failure(what + ": " + DriverErrorName(answer));
}

BITMAPINFOHEADER CaptureChannel::Format() const {
    BITMAPINFOHEADER header{};
    DWORD returned = 0;
    VIDEOCONFIGPARMS parameters{&returned, &header, sizeof header, nullptr, 0};
    Check("reading the format", DVM_FORMAT, VIDEO_CONFIGURE_GET,
          reinterpret_cast<LPARAM>(&parameters));
    return header;
}

LRESULT CaptureChannel::SetFormat(BITMAPINFOHEADER header) const {
    DWORD returned = 0;
    VIDEOCONFIGPARMS parameters{&returned, &header, sizeof header, nullptr, 0};
    return Send(DVM_FORMAT, VIDEO_CONFIGURE_SET, reinterpret_cast<LPARAM>(&parameters));
}

}  // namespace kmxcap
