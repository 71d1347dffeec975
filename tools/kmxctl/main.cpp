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
#include "tool_main.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>

namespace {

using namespace kmxctl;

const Command* const kCommands[] = {
    &kListCommand,       &kInfoCommand,  &kGetCommand,    &kSetCommand,
    &kDefaultCommand,    &kLockCommand,  &kUnlockCommand, &kAbortCommand,
    &kWatchCommand,      &kDebugCommand, &kErrorsCommand, &kRegCommand,
    &kDriverCommand,      // install the capture driver
    &kSettingsCommand,    // the Video Source dialog
    &kDriverInfoCommand,  // the Driver Information dialog
};

// The time to wait for a camera, as --timeout gives it in seconds.
std::chrono::milliseconds ParseTimeout(const std::string& text) {
    return std::chrono::seconds(ParseUnsigned(text, "--timeout", 24 * 3600));
}

const kmxtool::ToolText kTool{
    "kmxctl",
    " [--timeout SECONDS]",
    "Cameras are named by connection id (-c 1) or as USB1. --json prints JSON;\n"
    "--timeout is how long to wait for a camera (default " +
        std::to_string(kDefaultTimeout.count()) +
        ", 0 for ever);\n"
        "exit status 0 on success, 1 when the camera or its driver failed or did not\n"
        "answer in time, 2 for usage errors.",
    {"--timeout"}};

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away (kmxctl list | head) ends the output, not the tool.
    signal(SIGPIPE, SIG_IGN);
    // What a command has shown is out before anything else is told, also
    // when the deadline ends the process.
    std::cout << std::unitbuf;
    const std::vector<kmxtool::CommandText> texts = kmxtool::CommandTexts(kCommands);
    std::variant<int, kmxtool::CommandRun> parsed =
        kmxtool::ParseCommandLine(kTool, texts, argc, argv);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    kmxtool::CommandRun& run = std::get<kmxtool::CommandRun>(parsed);
    const char* name = texts[run.command].name;
    return kmxtool::RunCommand(kTool, texts[run.command], run.json, [&] {
        std::optional<std::string> timeout = run.line.Option("--timeout");
        const std::chrono::milliseconds limit = timeout ? ParseTimeout(*timeout) : kDefaultTimeout;
        StartDeadline(limit, [name, json = run.json, limit] {
            char seconds[32];
            snprintf(seconds, sizeof seconds, "%g", limit.count() / 1000.0);
            ReportFailure("kmxctl", name,
                          std::string("the camera did not answer within ") + seconds +
                              " s (--timeout sets how long to wait)",
                          json, 1);
        });
        Output output(run.json, std::cout);
        kCommands[run.command]->run(run.line, output);
        return 0;
    });
}
