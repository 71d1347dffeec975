// kmxctl watch: waits for new cameras and for cameras that wake the system,
// through the programming interface's notifications, and prints each event.
// Each notification signals once; it is armed again after every event.
#include <kmx512u/kmxpi.h>

#include "command_line.h"
#include "failures.h"
#include "interrupt.h"
#include "tool.h"

#include <algorithm>
#include <iostream>
#include <vector>

namespace kmxctl {
namespace {

// The connection ids of every camera that opens and answers.
std::vector<DWORD> ConnectedCameras() {
    DWORD count = 0;
    std::vector<DWORD> ids(16);
    for (;;) {
        CheckInterface(KMXPI_CameraEnum(0, 0, ids.data(), static_cast<DWORD>(ids.size()), &count),
                       "listing the cameras");
        if (count <= ids.size()) break;
        ids.resize(count);
    }
    ids.resize(count);
    return ids;
}

class Event {
  public:
    Event() : handle_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
        if (!handle_) FailSystem("creating an event", GetLastError());
    }
    ~Event() { CloseHandle(handle_); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE Handle() const { return handle_; }

  private:
    HANDLE handle_;
};

void ArmNew(const Event& event) {
    CheckInterface(KMXPI_CameraNotifyNew(0, 0, event.Handle()), "watching for new cameras");
}

void ArmWake(const Event& event) {
    CheckInterface(KMXPI_CameraNotifyWokeSystem(event.Handle()), "watching for wake-ups");
}

void RunWatch(CommandLine& line, Output& output) {
    std::optional<std::string> count_text = line.Option("--count");
    line.Finish();
    uint64_t most = count_text ? ParseUnsigned(*count_text, "--count", MAXDWORD) : 0;
    if (count_text && !most) throw UsageError("--count must be at least 1");

    Interruption interruption;
    Event arrival, wake;
    std::vector<DWORD> known = ConnectedCameras();
    ArmNew(arrival);
    ArmWake(wake);
    if (output.Json())
        output.Print(Json::Object().Add("event", "watching"));
    else
        output.Text() << "watching for new cameras and wake-ups; interrupt to stop" << std::endl;

    HANDLE events[] = {interruption.Event(), arrival.Handle(), wake.Handle()};
    for (uint64_t seen = 0; !most || seen < most; ++seen) {
        DWORD which = WaitForMultipleObjects(3, events, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0) break;
        if (which == WAIT_OBJECT_0 + 1) {
            std::vector<DWORD> now = ConnectedCameras(), added;
            for (DWORD id : now)
                if (std::find(known.begin(), known.end(), id) == known.end()) added.push_back(id);
            known = now;
            ArmNew(arrival);
            Json ids = Json::Array();
            for (DWORD id : added) ids.Push(id);
            if (output.Json()) {
                output.Print(Json::Object().Add("event", "new-camera").Add("cameras", ids));
            } else {
                output.Text() << "new camera:";
                for (DWORD id : added) output.Text() << ' ' << CameraName(id);
                output.Text() << std::endl;
            }
        } else if (which == WAIT_OBJECT_0 + 2) {
            ArmWake(wake);
            if (output.Json())
                output.Print(Json::Object().Add("event", "woke-system"));
            else
                output.Text() << "a camera woke the system" << std::endl;
        } else {
            FailSystem("waiting for events", GetLastError());
        }
    }
}

}  // namespace

const Command kWatchCommand = {
    "watch", "[--count N]",
    "prints each new camera and each wake-up by a camera until interrupted (or N events)",
    RunWatch};

}  // namespace kmxctl
