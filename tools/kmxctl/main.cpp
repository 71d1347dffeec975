// kmxctl, the service tool of the camera: lists cameras, reads and sets
// their properties, shows their formats, holds the capture lock, talks to
// the driver's debug flags and raw commands and reads the error mask — all
// through the library's public exports.
//
// Exit status: 0 on success, 1 when the camera or its driver failed (the
// status's name is printed), 2 for usage errors.
#include "failures.h"
#include "tool.h"

#include <signal.h>

#include <cstring>
#include <iostream>

namespace {

using namespace kmxctl;

const Command* const kCommands[] = {
    &kListCommand,    &kInfoCommand,  &kGetCommand,    &kSetCommand,
    &kDefaultCommand, &kLockCommand,  &kUnlockCommand, &kAbortCommand,
    &kWatchCommand,   &kDebugCommand, &kErrorsCommand, &kRegCommand,
    &kDriverCommand,  // install the capture driver
};

void PrintUsage(const Command& command, std::ostream& out) {
    out << "usage: kmxctl " << command.name << (*command.usage ? " " : "") << command.usage
        << " [--json]\n";
}

void PrintHelp(std::ostream& out) {
    out << "usage: kmxctl [--json] COMMAND [ARGUMENTS] [--help]\n\n"
           "Cameras are named by connection id (-c 1) or as USB1. --json prints JSON;\n"
           "exit status 0 on success, 1 when the camera or its driver failed, 2 for usage "
           "errors.\n\ncommands:\n";
    for (const Command* command : kCommands)
        out << "  " << command->name << (*command->usage ? " " : "") << command->usage << "\n      "
            << command->summary << '\n';
}

const Command* Find(const std::string& name) {
    for (const Command* command : kCommands)
        if (name == command->name) return command;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away (kmxctl list | head) ends the output, not the tool.
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> words(argv + 1, argv + argc);
    bool json = false;
    while (!words.empty() && (words[0] == "--json" || words[0] == "--help" || words[0] == "-h")) {
        if (words[0] != "--json") {
            PrintHelp(std::cout);
            return 0;
        }
        json = true;
        words.erase(words.begin());
    }
    if (words.empty()) {
        PrintHelp(std::cerr);
        return 2;
    }
    if (words[0] == "help") {
        const Command* command = words.size() > 1 ? Find(words[1]) : nullptr;
        if (command) {
            PrintUsage(*command, std::cout);
            std::cout << "  " << command->summary << '\n';
        } else {
            PrintHelp(std::cout);
        }
        return 0;
    }
    const Command* command = Find(words[0]);
    if (!command) {
        std::cerr << "kmxctl: unknown command '" << words[0] << "' (kmxctl --help lists them)\n";
        return 2;
    }
    CommandLine line({words.begin() + 1, words.end()});
    try {
        if (line.Flag("--help") || line.Flag("-h")) {
            PrintUsage(*command, std::cout);
            std::cout << "  " << command->summary << '\n';
            return 0;
        }
        json = line.Flag("--json") || json;
        Output output(json, std::cout);
        command->run(line, output);
        std::cout.flush();
        return 0;
    } catch (const UsageError& error) {
        std::cerr << "kmxctl " << command->name << ": " << error.what() << '\n';
        PrintUsage(*command, std::cerr);
        return 2;
    } catch (const Failure& error) {
        std::cerr << "kmxctl " << command->name << ": " << error.what() << '\n';
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "kmxctl " << command->name << ": " << error.what() << '\n';
        return 1;
    }
}
