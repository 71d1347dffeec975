// What a camera was told to do, in order: its stream opened and closed, and
// each mode and format set, as far as the camera carried them out. Tests and
// tools read it to see the sequence a client drove the camera through, one
// step at a time.
#pragma once

#include "camera_records.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace kmxcam {

class CameraActivity {
  public:
    // Notes a connection command CODE that succeeded, with the format record
    // and the first word of its request payload.
    void Note(DWORD code, const FormatRecord& format, uint32_t word);

    // The entries, oldest first: "stream-open 320x240 MJPG 24",
    // "stream-close", "mode 2", "format 320x240 MJPG 24".
    std::vector<std::string> Entries();

  private:
    std::mutex lock_;
    std::deque<std::string> entries_;  // the latest kKeptEntries only
};

}  // namespace kmxcam
