// kmxcap on a machine where no camera service runs: it runs itself again
// as a child with a private runtime directory and private registry hives,
// in which it serves one simulated camera and installs the linking driver
// as the first capture driver, and removes that directory when the child
// has ended, however it ended.
#pragma once

#include <memory>
#include <optional>

namespace kmxcam {
class CameraService;
class ControlServer;
}  // namespace kmxcam

namespace kmxcap {

// In the parent: when no camera service runs, runs ARGV again in a private
// environment and returns its exit status. Nullopt when kmxcap goes on
// itself, with a service of the machine or as that private child.
std::optional<int> RunInPrivateEnvironment(char** argv);

// In the private child: the embedded service, its control socket (so that
// its counters are asked as any service's are) and the installed driver.
class PrivateService {
  public:
    // Starts the service when this process is the private child.
    static std::unique_ptr<PrivateService> StartIfPrivate();
    ~PrivateService();
    PrivateService(const PrivateService&) = delete;
    PrivateService& operator=(const PrivateService&) = delete;

  private:
    PrivateService();
    std::unique_ptr<kmxcam::CameraService> service_;
    std::unique_ptr<kmxcam::ControlServer> control_;
};

}  // namespace kmxcap
