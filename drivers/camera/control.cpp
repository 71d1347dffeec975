#include "control.h"

#include "camera_change_notice.h"

#include <kmxwin/runtime_directory.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <iostream>
#include <sstream>

namespace kmxcam {

namespace {

// The platform has told why on the standard error.
constexpr char kNoRuntimeDirectory[] = "there is no usable runtime directory";

bool SocketAddress(sockaddr_un& address) {
    std::string path = ControlSocketPath();
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int Connect() {
    sockaddr_un address;
    if (!SocketAddress(address)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0) close(fd);
    return -1;
}

bool WriteAll(int fd, const std::string& text) {
    for (size_t sent = 0; sent < text.size();) {
        ssize_t wrote = write(fd, text.data() + sent, text.size() - sent);
        if (wrote <= 0) return false;
        sent += static_cast<size_t>(wrote);
    }
    return true;
}

// Everything FD sends until it closes, or up to the first newline when LINE.
std::string ReadAll(int fd, bool line) {
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, line ? 1 : sizeof buffer);
        if (got <= 0) return text;
        text.append(buffer, static_cast<size_t>(got));
        if (line && text.back() == '\n') return text;
        if (line && text.size() > 4096) return text;
    }
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string Join(const std::vector<std::string>& words, size_t from) {
    std::string joined;
    for (size_t i = from; i < words.size(); ++i) joined += (i > from ? " " : "") + words[i];
    return joined;
}

}  // namespace

// Empty when the runtime directory cannot be used.
std::string ControlSocketPath() {
    char directory[PATH_MAX];
    DWORD length = KmxWinGetRuntimeDirectory(directory, sizeof directory);
    if (!length || length >= sizeof directory) return {};
    return std::string(directory) + "/camd.sock";
}

ControlServer::~ControlServer() {
    if (thread_.joinable()) {
        uint64_t one = 1;
        if (write(wake_, &one, sizeof one) < 0) {
        }
        thread_.join();
        unlink(ControlSocketPath().c_str());
    }
    if (listen_ >= 0) close(listen_);
    if (wake_ >= 0) close(wake_);
}

bool ControlServer::Start(std::string& error) {
    sockaddr_un address;
    if (ControlSocketPath().empty()) {
        error = kNoRuntimeDirectory;
        return false;
    }
    if (!SocketAddress(address)) {
        error = "the control socket path is too long: " + ControlSocketPath();
        return false;
    }
    if (int running = Connect(); running >= 0) {
        close(running);
        error = "a camera service is already running (" + ControlSocketPath() + ")";
        return false;
    }
    unlink(address.sun_path);  // left by a service that died
    listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    wake_ = eventfd(0, EFD_CLOEXEC);
    if (listen_ < 0 || wake_ < 0 ||
        bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_, 16) != 0) {
        error = "cannot serve " + ControlSocketPath() + ": " + strerror(errno);
        return false;
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void ControlServer::Serve() {
    for (;;) {
        pollfd watched[2] = {{wake_, POLLIN, 0}, {listen_, POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[0].revents) return;
        int client = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        Answer(client);
        close(client);
    }
}

void ControlServer::Answer(int client) {
    // A client that never finishes its line does not hold the service up.
    timeval limit{5, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    bool ok = false;
    std::string output = Execute(Words(ReadAll(client, true)), ok);
    WriteAll(client, output + (ok ? "ok\n" : ""));
}

void ControlServer::WaitForStop() {
    std::unique_lock guard(lock_);
    stopped_.wait(guard, [this] { return stop_; });
}

void ControlServer::RequestStop() {
    std::lock_guard guard(lock_);
    stop_ = true;
    stopped_.notify_all();
}

std::string ControlServer::Execute(const std::vector<std::string>& words, bool& ok) {
    auto failure = [&](const std::string& why) {
        ok = false;
        return "error: " + why + "\n";
    };
    ok = true;
    if (words.empty()) return failure("empty command");
    const std::string& command = words[0];
    auto wants = [&](size_t count) { return words.size() == count; };
    if (command == "plug" && (wants(2) || wants(3))) {
        std::string error;
        std::optional<std::string> path = service_.Plug(words[1], wants(3) ? words[2] : "", error);
        return path ? *path + "\n" : failure(error);
    }
    if (command == "unplug" && wants(2))
        return service_.Unplug(words[1]) ? "" : failure("no camera with serial " + words[1]);
    if (command == "list" && wants(1)) {
        std::string text;
        for (const CameraService::Listing& camera : service_.List())
            text += camera.serial + " " + camera.profile + " " + camera.path + "\n";
        return text;
    }
    if (command == "fault" && words.size() >= 4) {
        char* end = nullptr;
        unsigned long code = strtoul(words[2].c_str(), &end, 0);
        if (*end || code > 0xFFFFFFFF) return failure("not a control code: " + words[2]);
        std::optional<Fault> fault = ParseFault(Join(words, 3));
        if (!fault)
            return failure(
                "a fault is: status N | wrong-length | unwritten | stall | drop [count N]");
        return service_.ArmFault(words[1], static_cast<DWORD>(code), *fault)
                   ? ""
                   : failure("no camera with serial " + words[1]);
    }
    if (command == "clear-faults" && wants(2))
        return service_.ClearFaults(words[1]) ? "" : failure("no camera with serial " + words[1]);
    if (command == "props" && wants(2)) {
        std::optional<std::string> text = service_.Properties(words[1]);
        return text ? *text : failure("no camera with serial " + words[1]);
    }
    if (command == "activity" && wants(2)) {
        std::optional<std::vector<std::string>> entries = service_.Activity(words[1]);
        if (!entries) return failure("no camera with serial " + words[1]);
        std::string text;
        for (const std::string& entry : *entries) text += entry + "\n";
        return text;
    }
    if (command == "frames" && wants(2)) {
        std::optional<SimulatedCamera::FrameCounters> counters = service_.Counters(words[1]);
        if (!counters) return failure("no camera with serial " + words[1]);
        return "produced " + std::to_string(counters->frames_produced) + "\nread " +
               std::to_string(counters->reads_completed) + "\n";
    }
    if (command == "wake" && wants(1)) {
        NoteSystemWake();
        return "";
    }
    if (command == "stop" && wants(1)) {
        RequestStop();
        return "";
    }
    return failure("unknown command or wrong arguments: " + Join(words, 0));
}

int RunControlCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    // `plug PROFILE --serial S` travels as `plug PROFILE S`.
    std::vector<std::string> sent = words;
    if (sent.size() == 4 && sent[0] == "plug" && sent[2] == "--serial")
        sent.erase(sent.begin() + 2);
    if (ControlSocketPath().empty()) {
        err << "kmx512-camd: " << kNoRuntimeDirectory << '\n';
        return 1;
    }
    int fd = Connect();
    if (fd < 0) {
        err << "kmx512-camd: no camera service is running (" << ControlSocketPath()
            << "); start one with: kmx512-camd serve\n";
        return 1;
    }
    std::string answer;
    if (WriteAll(fd, Join(sent, 0) + "\n")) answer = ReadAll(fd, false);
    close(fd);
    static const std::string kOk = "ok\n";
    if (answer.size() >= kOk.size() &&
        answer.compare(answer.size() - kOk.size(), kOk.size(), kOk) == 0) {
        out << answer.substr(0, answer.size() - kOk.size());
        return 0;
    }
    err << "kmx512-camd: " << (answer.empty() ? "the service gave no answer\n" : answer);
    return 1;
}

int Serve(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::vector<std::pair<std::string, std::string>> plugs;
    std::string profiles_path = DefaultProfilePath();
    bool daemon = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--daemon") {
            daemon = true;
        } else if ((arguments[i] == "--plug" || arguments[i] == "--profiles") &&
                   i + 1 < arguments.size()) {
            const std::string& value = arguments[++i];
            if (arguments[i - 1] == "--profiles") {
                profiles_path = value;
                continue;
            }
            size_t colon = value.find(':');
            plugs.emplace_back(value.substr(0, colon),
                               colon == std::string::npos ? "" : value.substr(colon + 1));
        } else {
            err << "usage: kmx512-camd serve [--plug PROFILE[:SERIAL]]... [--daemon] [--profiles "
                   "FILE]\n";
            return 2;
        }
    }
    std::string error;
    std::optional<ProfileSet> profiles = LoadProfiles(profiles_path, error);
    if (!profiles) {
        err << "kmx512-camd: " << error << "\n";
        return 1;
    }

    // A daemon forks before any thread exists; the parent stays until the
    // child is ready, so that its output and exit status tell the caller
    // whether the service runs.
    int ready_pipe[2] = {-1, -1};
    if (daemon) {
        if (pipe2(ready_pipe, O_CLOEXEC) != 0) return 1;
        pid_t child = fork();
        if (child < 0) return 1;
        if (child > 0) {
            close(ready_pipe[1]);
            std::string report = ReadAll(ready_pipe[0], false);
            close(ready_pipe[0]);
            bool ready = report.size() >= 6 && report.compare(report.size() - 6, 6, "ready\n") == 0;
            (ready ? out : err) << report;
            return ready ? 0 : 1;
        }
        close(ready_pipe[0]);
        setsid();
    }
    std::ostringstream report;
    auto finish = [&](int status) {
        if (daemon) {
            WriteAll(ready_pipe[1], report.str());
            close(ready_pipe[1]);
            if (status != 0) _exit(status);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            close(null);
        } else {
            (status ? err : out) << report.str() << std::flush;
        }
        return status;
    };

    // SIGINT and SIGTERM stop the service as `stop` does; they are taken by
    // one thread, so they are blocked before any other thread starts.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    auto service = std::make_unique<CameraService>(std::move(*profiles));
    ControlServer control(*service);
    if (!control.Start(error)) {
        report << "kmx512-camd: " << error << "\n";
        return finish(1);
    }
    for (const auto& [profile, serial] : plugs) {
        std::optional<std::string> path = service->Plug(profile, serial, error);
        if (!path) {
            report << "kmx512-camd: " << error << "\n";
            return finish(1);
        }
        report << *path << "\n";
    }
    report << "ready\n";
    finish(0);

    std::thread signals([&] {
        int signal = 0;
        sigwait(&stopping, &signal);
        control.RequestStop();
    });
    control.WaitForStop();
    pthread_kill(signals.native_handle(), SIGTERM);
    signals.join();
    service.reset();
    return 0;
}

}  // namespace kmxcam
