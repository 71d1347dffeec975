// What every test process shares: a private runtime directory and private
// registry hives (set up by the test main before any test runs), and child
// processes for the cases that need more than one process.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kmxtest {

// The test process's private directory; KMX512_RUNTIME_DIR, KMX512_HKCU and
// KMX512_HKLM point inside it.
const std::string& TestDirectory();

// The path of a program built next to the running test.
std::string ProgramPath(const std::string& name);

// A child process running a program with its standard input and output on
// pipes. It inherits the test's environment, hence its runtime directory.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line the child writes (without the newline), or nullopt when
    // it closes its output or nothing comes within TIMEOUT.
    std::optional<std::string> ReadLine(
        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Sends LINE and a newline to the child.
    void WriteLine(const std::string& line);
    void Kill(int signal);
    pid_t Pid() const { return pid_; }
    // Waits for the child to end; its exit status as waitpid reports it.
    int Wait();

  private:
    pid_t pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
    std::string buffered_;
};

}  // namespace kmxtest
