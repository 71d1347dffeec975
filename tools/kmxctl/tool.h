// What every kmxctl command is given and what it is: its output, text or
// JSON, and its entry in the command table.
#pragma once

#include "command_line.h"
#include "json.h"
#include "output.h"

#include <ostream>

namespace kmxctl {

using namespace kmxtool;

struct Command {
    const char* name;
    const char* usage;    // the arguments after the name
    const char* summary;  // one line
    void (*run)(CommandLine& line, Output& output);
};

// The commands, by the file that carries them out.
extern const Command kListCommand, kInfoCommand, kLockCommand, kUnlockCommand, kAbortCommand;
extern const Command kGetCommand, kSetCommand, kDefaultCommand;
extern const Command kWatchCommand, kDebugCommand, kErrorsCommand, kRegCommand;
extern const Command kDriverCommand, kDriverInfoCommand;
extern const Command kSettingsCommand;

}  // namespace kmxctl
