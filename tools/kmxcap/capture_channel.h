// The capture driver as a Video for Windows application reaches it: the
// drivers that the msvideo list describes, and a capture channel opened on
// one of them with OpenDriver, driven with SendDriverMessage.
#pragma once

#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <string>
#include <vector>

namespace kmxcap {

struct CaptureDriverEntry {
    DWORD index;
    std::string name, version;
};

// The installed capture drivers, as capGetDriverDescriptionA lists them.
std::vector<CaptureDriverEntry> CaptureDrivers();

// "DV_ERR_NOTSUPPORTED (17)" for a driver's answer.
std::string DriverErrorName(LRESULT error);

// Which capture driver to open: the one listed at INDEX, or, for the
// 16-bit client path, the 16-bit linking driver's stand-in, through which
// every message reaches the library with its records in 16-bit memory.
struct DriverChoice {
    DWORD index;
    bool sixteen_bit;
};

class CaptureChannel {
  public:
    // Opens the capture channel of the driver chosen; a Failure naming the
    // driver's error when it does not open.
    explicit CaptureChannel(DriverChoice driver);
    ~CaptureChannel();
    CaptureChannel(const CaptureChannel&) = delete;
    CaptureChannel& operator=(const CaptureChannel&) = delete;

    LRESULT Send(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0) const;
    // Send, with a Failure "WHAT: DV_ERR_..." unless the driver answers DV_ERR_OK.
    void Check(const std::string& what, UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0) const;
    // The current client format.
    BITMAPINFOHEADER Format() const;
    // Asks for HEADER's format; the driver's answer.
    LRESULT SetFormat(BITMAPINFOHEADER header) const;

  private:
    HDRVR driver_ = nullptr;
};

}  // namespace kmxcap
