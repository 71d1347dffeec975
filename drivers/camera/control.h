// The control socket of a running service, under the runtime directory, and
// the commands of kmx512-camd: `serve` runs a service; the others talk to
// the running one through the socket, one command a connection: the
// command's words on one line, answered by lines of output and a last line
// "ok" or "error: WHY".
#pragma once

#include "camera_service.h"

#include <condition_variable>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kmxcam {

std::string ControlSocketPath();

// Serves the control socket for SERVICE on its own thread.
class ControlServer {
  public:
    explicit ControlServer(CameraService& service) : service_(service) {}
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // False with ERROR when the socket cannot be had (or a service runs).
    bool Start(std::string& error);
    // Returns once a `stop` command came or RequestStop was called.
    void WaitForStop();
    void RequestStop();

  private:
    void Serve();
    void Answer(int client);
    // Carries out one command; its output, with OK telling success.
    std::string Execute(const std::vector<std::string>& words, bool& ok);

    CameraService& service_;
    int listen_ = -1;
    int wake_ = -1;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable stopped_;
    bool stop_ = false;
};

// kmx512-camd serve [--plug PROFILE[:SERIAL]]... [--daemon] [--profiles FILE]
int Serve(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
// Any other command: sent to the running service; its exit status.
int RunControlCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace kmxcam
