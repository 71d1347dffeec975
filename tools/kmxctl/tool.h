// What every kmxctl command is given and what it is: its output, text or
// JSON, and its entry in the command table.
#pragma once

#include "command_line.h"
#include "json.h"

#include <ostream>

namespace kmxctl {

using namespace kmxtool;

class Output {
  public:
    Output(bool json, std::ostream& out) : json_(json), out_(out) {}
    bool Json() const { return json_; }
    // The text form.
    std::ostream& Text() { return out_; }
    // The JSON form: one value a line.
    void Print(const kmxtool::Json& value) { out_ << value.Text() << '\n' << std::flush; }

  private:
    bool json_;
    std::ostream& out_;
};

// The camera's settings key, below HKEY_LOCAL_MACHINE for the machine and
// below HKEY_CURRENT_USER for each user.
inline constexpr char kSettingsKey[] = "Software\\Brelix\\USB Camera (KMX512)";

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
extern const Command kDriverCommand;

}  // namespace kmxctl
