// kmxctl watch: waits for new cameras and for cameras that wake the system,
// through the programming interface's notifications, and prints each event.
// Each notification signals once; it is armed again after every event.
#include <kmx512u/kmxpi.h>

#include "command_line.h"
#include "deadline.h"
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
    for (uint64_t seen = 0; !most || seen < most;) {
        DWORD which;
        {
            WaitingForUser watching;
            which = WaitForMultipleObjects(3, events, FALSE, INFINITE);
        }
        if (which == WAIT_OBJECT_0) break;
        if (which == WAIT_OBJECT_0 + 1) {
            // Armed again before the cameras are counted, so that one that
            // comes meanwhile signals again. The new ones are those not seen
            // at the last event; a camera that went and came back under its
            // old id is among the connected ones only.
            ArmNew(arrival);
            std::vector<DWORD> now = ConnectedCameras(), added;
            for (DWORD id : now)
                if (std::find(known.begin(), known.end(), id) == known.end()) added.push_back(id);
            known = now;
            Json added_ids = Json::Array(), connected_ids = Json::Array();
            std::string added_text, connected_text;
            for (DWORD id : added) {
                added_ids.Push(id);
                added_text += " " + CameraName(id);
            }
            for (DWORD id : now) {
                connected_ids.Push(id);
                connected_text += " " + CameraName(id);
            }
            if (output.Json())
                output.Print(Json::Object()
                                 .Add("event", "new-camera")
                                 .Add("new", added_ids)
                                 .Add("connected", connected_ids));
            else
                output.Text() << "new camera:" << (added.empty() ? " -" : added_text)
                              << " (connected:" << connected_text << ")" << std::endl;
            ++seen;
        } else if (which == WAIT_OBJECT_0 + 2) {
            ArmWake(wake);
            if (output.Json())
                output.Print(Json::Object().Add("event", "woke-system"));
            else
                output.Text() << "a camera woke the system" << std::endl;
            ++seen;
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
