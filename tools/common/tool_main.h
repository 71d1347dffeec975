// What the tools' main functions share: the words before the command
// (--json, --help, and the tool's own options that take a value), finding
// the command, its help and usage, and telling a failure with the exit
// status: 0 on success, 1 when the camera or its driver failed, 2 for usage
// errors.
#pragma once

#include "command_line.h"

#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace kmxtool {

// A tool as its help shows it.
struct ToolText {
    const char* name;     // "kmxctl"
    const char* options;  // its own options, as usage lines show them (" [--timeout S]")
    std::string about;    // the paragraph between the usage line and the commands
    // Its own options that take a value: before the command they are handed
    // on to the command's words, after any the command was given itself.
    std::vector<std::string> valued_options;
};

// A command as the help shows it.
struct CommandText {
    const char* name;
    const char* usage;    // the arguments after the name
    const char* summary;  // one line
};

// The commands' texts from a tool's table of commands.
template <class Command, size_t N>
std::vector<CommandText> CommandTexts(const Command* const (&commands)[N]) {
    std::vector<CommandText> texts;
    for (const Command* command : commands)
        texts.push_back({command->name, command->usage, command->summary});
    return texts;
}

// The command a run asks for: its index among the commands, its words, and
// whether --json was given before or after it.
struct CommandRun {
    size_t command;
    CommandLine line;
    bool json;
};

// Reads the command line ARGV. The exit status when the run ends there
// (help shown, no command or an unknown one); else the command to run.
std::variant<int, CommandRun> ParseCommandLine(const ToolText& tool,
                                               const std::vector<CommandText>& commands, int argc,
                                               char** argv);

// Runs BODY for COMMAND and answers its exit status: BODY's own, 2 after a
// UsageError (told with the command's usage), 1 after any other exception
// (told as the tools tell failures).
int RunCommand(const ToolText& tool, const CommandText& command, bool json,
               const std::function<int()>& body);

}  // namespace kmxtool
