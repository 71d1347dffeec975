// kmxctl, the service tool of the camera: lists cameras, reads and sets
// their properties, shows their formats, holds the capture lock, talks to
// the driver's debug flags and raw commands and reads the error mask — all
// through the library's public exports.
//
// Exit status: 0 on success, 1 when the camera or its driver failed (the
// status's name is printed) or did not answer in time, 2 for usage errors.
// With --json a failure is also told on the standard output, as an object
// {"error": TEXT, "status": EXIT STATUS}.
#include "deadline.h"
#include "failures.h"
#include "tool.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

namespace {

using namespace kmxctl;

const Command* const kCommands[] = {
    &kListCommand,       &kInfoCommand,  &kGetCommand,    &kSetCommand,
    &kDefaultCommand,    &kLockCommand,  &kUnlockCommand, &kAbortCommand,
    &kWatchCommand,      &kDebugCommand, &kErrorsCommand, &kRegCommand,
    &kDriverCommand,  // install the capture driver
    &kDriverInfoCommand,
};

void PrintUsage(const Command& command, std::ostream& out) {
    out << "usage: kmxctl " << command.name << (*command.usage ? " " : "") << command.usage
        << " [--json] [--timeout SECONDS]\n";
}

void PrintHelp(std::ostream& out) {
    out << "usage: kmxctl [--json] [--timeout SECONDS] COMMAND [ARGUMENTS] [--help]\n\n"
           "Cameras are named by connection id (-c 1) or as USB1. --json prints JSON;\n"
           "--timeout is how long to wait for a camera (default "
        << kDefaultTimeout.count()
        << ", 0 for ever);\n"
           "exit status 0 on success, 1 when the camera or its driver failed or did not\n"
           "answer in time, 2 for usage errors.\n\ncommands:\n";
    for (const Command* command : kCommands)
        out << "  " << command->name << (*command->usage ? " " : "") << command->usage << "\n      "
            << command->summary << '\n';
}

const Command* Find(const std::string& name) {
    for (const Command* command : kCommands)
        if (name == command->name) return command;
    return nullptr;
}

// The time to wait for a camera, as --timeout gives it in seconds.
std::chrono::milliseconds ParseTimeout(const std::string& text) {
    return std::chrono::seconds(ParseUnsigned(text, "--timeout", 24 * 3600));
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away (kmxctl list | head) ends the output, not the tool.
    signal(SIGPIPE, SIG_IGN);
    // What a command has shown is out before anything else is told, also
    // when the deadline ends the process.
    std::cout << std::unitbuf;
    std::vector<std::string> words(argv + 1, argv + argc);
    bool json = false;
    std::optional<std::string> timeout;
    while (!words.empty() && (words[0] == "--json" || words[0] == "--help" || words[0] == "-h" ||
                              words[0] == "--timeout")) {
        if (words[0] == "--timeout" && words.size() > 1) {
            timeout = words[1];
            words.erase(words.begin(), words.begin() + 2);
            continue;
        }
        if (words[0] == "--timeout") {
            std::cerr << "kmxctl: --timeout needs a value\n";
            return 2;
        }
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
        if (std::optional<std::string> local = line.Option("--timeout")) timeout = local;
        const std::chrono::milliseconds limit = timeout ? ParseTimeout(*timeout) : kDefaultTimeout;
        StartDeadline(limit, [name = command->name, json, limit] {
            char seconds[32];
            snprintf(seconds, sizeof seconds, "%g", limit.count() / 1000.0);
            ReportFailure("kmxctl", name,
                          std::string("the camera did not answer within ") + seconds +
                              " s (--timeout sets how long to wait)",
                          json, 1);
        });
        Output output(json, std::cout);
        command->run(line, output);
        std::cout.flush();
        return 0;
    } catch (const UsageError& error) {
        ReportFailure("kmxctl", command->name, error.what(), json, 2);
        PrintUsage(*command, std::cerr);
        return 2;
    } catch (const std::exception& error) {
        // Failure and anything else: the camera, its driver or the system.
        ReportFailure("kmxctl", command->name, error.what(), json, 1);
        return 1;
    }
}
