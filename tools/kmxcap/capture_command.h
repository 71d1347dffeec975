// What every kmxcap command is given: its command line, its output, the
// user's interruption; and the steps the capturing commands share.
#pragma once

#include <windows.h>

#include "capture_channel.h"
#include "command_line.h"
#include "output.h"

namespace kmxcap {

struct Command {
    const char* name;
    const char* usage;    // the arguments after the name
    const char* summary;  // one line
    void (*run)(kmxtool::CommandLine& line, kmxtool::Output& output, HANDLE interrupt);
};

extern const Command kListCommand, kFormatsCommand, kGrabCommand, kRecordCommand;

// The capture driver of "-d INDEX", else the first installed one; with
// "--16bit", the 16-bit client path.
DriverChoice ChooseDriver(kmxtool::CommandLine& line);

// Sets the client format that --format and --size ask for (each defaulting
// to the current one); the format in force. A Failure when the driver
// refuses it.
BITMAPINFOHEADER ApplyRequestedFormat(const CaptureChannel& channel, kmxtool::CommandLine& line);

}  // namespace kmxcap
