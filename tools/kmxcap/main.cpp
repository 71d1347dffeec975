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
#include "interrupt.h"
#include "private_service.h"
#include "tool_main.h"

#include <iostream>

namespace {

using namespace kmxcap;

const Command* const kCommands[] = {&kListCommand, &kFormatsCommand, &kGrabCommand,
                                    &kRecordCommand};

const kmxtool::ToolText kTool{
    "kmxcap",
    "",
    "Cameras are named by connection id (-c 1) or as USB1; without one, the first\n"
    "connected camera. With no camera service running, kmxcap serves one simulated\n"
    "camera of its own. Exit status 0 on success, 1 when the camera or its driver\n"
    "failed, 2 for usage errors.",
    {}};

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    const std::vector<kmxtool::CommandText> texts = kmxtool::CommandTexts(kCommands);
    std::variant<int, kmxtool::CommandRun> parsed =
        kmxtool::ParseCommandLine(kTool, texts, argc, argv);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    kmxtool::CommandRun& run = std::get<kmxtool::CommandRun>(parsed);
    return kmxtool::RunCommand(kTool, texts[run.command], run.json, [&] {
        if (std::optional<int> status = RunInPrivateEnvironment(argv)) return *status;
        // Before any thread starts, so that every thread leaves the signals to it.
        kmxtool::Interruption interruption;
        std::unique_ptr<PrivateService> service = PrivateService::StartIfPrivate();
        kmxtool::Output output(run.json, std::cout);
        kCommands[run.command]->run(run.line, output, interruption.Event());
        return 0;
    });
}
