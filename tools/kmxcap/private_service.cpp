#include "private_service.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "camera_service.h"
#include "capture_driver_install.h"
#include "control.h"
#include "failures.h"

#include <cerrno>
#include <filesystem>
#include <sstream>

namespace kmxcap {
namespace {

// Names the private directory in the child's environment.
constexpr char kPrivateVariable[] = "KMXCAP_PRIVATE_DIR";
// The camera the private service serves: VGA MJPG at 30 frames a second.
constexpr char kProfile[] = "pantilt";
constexpr char kSerial[] = "KMXCAP1";

pid_t g_child = -1;

// Interruptions reach the child (which finishes its file) rather than end
// the parent before it has cleaned up.
void Forward(int signal) {
    if (g_child > 0) kill(g_child, signal);
}

bool ServiceRunning() {
    std::ostringstream ignored;
    return kmxcam::RunControlCommand({"list"}, ignored, ignored) == 0;
}

}  // namespace

std::optional<int> RunInPrivateEnvironment(char** argv) {
    if (getenv(kPrivateVariable) || ServiceRunning()) return std::nullopt;
    std::string directory = (std::filesystem::temp_directory_path() / "kmxcap-XXXXXX").string();
    if (!mkdtemp(directory.data())) throw kmxtool::Failure("cannot make a private directory");
    g_child = fork();
    if (g_child == 0) {
        setenv(kPrivateVariable, directory.c_str(), 1);
        setenv("KMX512_RUNTIME_DIR", (directory + "/run").c_str(), 1);
        setenv("KMX512_HKCU", (directory + "/HKCU.db").c_str(), 1);
        setenv("KMX512_HKLM", (directory + "/HKLM.db").c_str(), 1);
        execv("/proc/self/exe", argv);
        _exit(1);
    }
    int status = 0;
    if (g_child > 0) {
        struct sigaction forward {};
        forward.sa_handler = Forward;
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &forward, nullptr);
        while (waitpid(g_child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    if (g_child < 0) throw kmxtool::Failure("cannot start the private camera service");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

std::unique_ptr<PrivateService> PrivateService::StartIfPrivate() {
    if (!getenv(kPrivateVariable)) return nullptr;
    return std::unique_ptr<PrivateService>(new PrivateService());
}

PrivateService::PrivateService() {
    std::string error;
    std::optional<kmxcam::ProfileSet> profiles =
        kmxcam::LoadProfiles(kmxcam::DefaultProfilePath(), error);
    if (!profiles) throw kmxtool::Failure("the private camera service: " + error);
    service_ = std::make_unique<kmxcam::CameraService>(std::move(*profiles));
    control_ = std::make_unique<kmxcam::ControlServer>(*service_);
    if (!control_->Start(error) || !service_->Plug(kProfile, kSerial, error))
        throw kmxtool::Failure("the private camera service: " + error);
    kmxtool::InstallCaptureDriver(0, std::nullopt);
}

PrivateService::~PrivateService() {
    // The control socket goes before the cameras it tells about.
    control_.reset();
    service_.reset();
}

}  // namespace kmxcap
