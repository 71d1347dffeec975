// How long kmxctl waits for a camera, and what it does when the camera does
// not answer in time. The library's calls cannot be cancelled from outside,
// so kmxctl tells the user and ends the process, whose end the system
// cleans up after: its handles close, its named mutexes are abandoned and a
// capture lock it held goes stale. The library's own waits stay as they are.
#pragma once

#include <chrono>
#include <functional>

namespace kmxctl {

// A camera that answers at all answers within milliseconds.
inline constexpr std::chrono::seconds kDefaultTimeout{10};

// Starts the deadline of the running command, LIMIT from now (none for a
// zero LIMIT). When it passes, REPORT tells the user and the process ends
// with exit status 1.
void StartDeadline(std::chrono::milliseconds limit, std::function<void()> report);

// While one lives, the command waits for its user, not for a camera (a held
// lock, a watch): the deadline does not run, and starts afresh once the
// last one has gone.
class WaitingForUser {
  public:
    WaitingForUser();
    ~WaitingForUser();
    WaitingForUser(const WaitingForUser&) = delete;
    WaitingForUser& operator=(const WaitingForUser&) = delete;
};

}  // namespace kmxctl
