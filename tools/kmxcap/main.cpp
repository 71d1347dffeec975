// kmxcap, the capture application: lists the capture drivers and cameras,
// the formats a camera's driver accepts, grabs single frames and records
// streams into files — using only what a Video for Windows application has:
// the msvideo driver list, OpenDriver and SendDriverMessage with the DVM_*
// messages, the stream's callbacks, and the programming interface's capture
// lock to choose the camera. With no camera service running it serves one
// simulated camera of its own for the run.
//
// Exit status: 0 on success, 1 when the camera or its driver failed, 2 for
// usage errors.
#include <signal.h>

#include "capture_command.h"
#include "failures.h"
#include "interrupt.h"
#include "private_service.h"

#include <iostream>

namespace {

using namespace kmxcap;

const Command* const kCommands[] = {&kListCommand, &kFormatsCommand, &kGrabCommand,
                                    &kRecordCommand};

void PrintUsage(const Command& command, std::ostream& out) {
    out << "usage: kmxcap " << command.name << (*command.usage ? " " : "") << command.usage
        << " [--json]\n  " << command.summary << '\n';
}

void PrintHelp(std::ostream& out) {
    out << "usage: kmxcap [--json] COMMAND [ARGUMENTS] [--help]\n\n"
           "Cameras are named by connection id (-c 1) or as USB1; without one, the first\n"
           "connected camera. With no camera service running, kmxcap serves one simulated\n"
           "camera of its own. Exit status 0 on success, 1 when the camera or its driver\n"
           "failed, 2 for usage errors.\n\ncommands:\n";
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
    const Command* command = Find(words[0]);
    if (!command) {
        std::cerr << "kmxcap: unknown command '" << words[0] << "' (kmxcap --help lists them)\n";
        return 2;
    }
    kmxtool::CommandLine line({words.begin() + 1, words.end()});
    try {
        if (line.Flag("--help") || line.Flag("-h")) {
            PrintUsage(*command, std::cout);
            return 0;
        }
        json = line.Flag("--json") || json;
        if (std::optional<int> status = RunInPrivateEnvironment(argv)) return *status;
        // Before any thread starts, so that every thread leaves the signals to it.
        kmxtool::Interruption interruption;
        std::unique_ptr<PrivateService> service = PrivateService::StartIfPrivate();
        kmxtool::Output output(json, std::cout);
        command->run(line, output, interruption.Event());
        std::cout.flush();
        return 0;
    } catch (const kmxtool::UsageError& error) {
        kmxtool::ReportFailure("kmxcap", command->name, error.what(), json, 2);
        PrintUsage(*command, std::cerr);
        return 2;
    } catch (const std::exception& error) {
        kmxtool::ReportFailure("kmxcap", command->name, error.what(), json, 1);
        return 1;
    }
}
