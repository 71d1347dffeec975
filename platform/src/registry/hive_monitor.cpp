#include "registry/hive_monitor.h"

#include "registry/hive.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kmxwin::registry {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// When to look again after a change of the log, counted from the change.
constexpr milliseconds kSettleChecks[] = {milliseconds(2), milliseconds(10), milliseconds(40),
                                          milliseconds(120), milliseconds(250)};
constexpr milliseconds kSafetyInterval(1000);
constexpr milliseconds kPollInterval(100);

class HiveMonitor {
  public:
    void Track(Hive* hive) {
        std::lock_guard guard(lock_);
        for (const Tracked& tracked : tracked_)
            if (tracked.hive == hive) return;
        if (!started_) {
            started_ = true;
            inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
            std::thread([this] { Run(); }).detach();
        }
        std::filesystem::path file(hive->Path());
        int watch =
            inotify_ < 0 ? -1 : inotify_add_watch(inotify_, file.parent_path().c_str(), IN_MODIFY);
        if (watch < 0) polling_ = true;
        tracked_.push_back({hive, watch, file.filename().string() + "-wal"});
    }

  private:
    struct Tracked {
        Hive* hive;
        int watch;  // inotify watch of the hive's folder, or -1
        std::string log_name;
        Clock::time_point changed{};  // the last change of the log seen
        size_t checks_done = std::size(kSettleChecks);
    };

    void Run() {
        try {
            for (;;) {
                std::vector<Hive*> due = WaitForChanges();
                for (Hive* hive : due) hive->Refresh();
            }
        } catch (...) {
            // Out of memory: other processes' changes go unnoticed from now on.
        }
    }

    // Blocks until some tracked hive is due for a look; those hives.
    std::vector<Hive*> WaitForChanges() {
        Clock::time_point wake = Wakeup();
        int timeout = static_cast<int>(
            std::chrono::ceil<milliseconds>(std::max(wake - Clock::now(), Clock::duration{}))
                .count());
        if (inotify_ >= 0) {
            pollfd ready{inotify_, POLLIN, 0};
            poll(&ready, 1, timeout);
        } else {
            usleep(static_cast<useconds_t>(timeout) * 1000);
        }

        alignas(inotify_event) char buffer[4096];
        std::vector<std::pair<int, std::string>> events;
        bool overflow = false;
        ssize_t length;
        while (inotify_ >= 0 && (length = read(inotify_, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + length;) {
                auto* event = reinterpret_cast<inotify_event*>(at);
                if (event->mask & IN_Q_OVERFLOW) overflow = true;
                if (event->len) events.emplace_back(event->wd, event->name);
                at += sizeof(inotify_event) + event->len;
            }
        }

        Clock::time_point now = Clock::now();
        std::vector<Hive*> due;
        std::lock_guard guard(lock_);
        bool everything = overflow || now >= next_sweep_;
        if (now >= next_sweep_) next_sweep_ = now + (polling_ ? kPollInterval : kSafetyInterval);
        for (Tracked& tracked : tracked_) {
            bool hit = std::any_of(events.begin(), events.end(), [&](const auto& event) {
                return event.first == tracked.watch && event.second == tracked.log_name;
            });
            if (hit) {
                tracked.changed = now;
                tracked.checks_done = 0;
            } else if (tracked.checks_done < std::size(kSettleChecks) &&
                       now >= tracked.changed + kSettleChecks[tracked.checks_done]) {
                ++tracked.checks_done;
                hit = true;
            }
            if (hit || everything) due.push_back(tracked.hive);
        }
        return due;
    }

    // The next time a look is due without a new event.
    Clock::time_point Wakeup() {
        std::lock_guard guard(lock_);
        Clock::time_point wake = next_sweep_;
        for (const Tracked& tracked : tracked_)
            if (tracked.checks_done < std::size(kSettleChecks))
                wake = std::min(wake, tracked.changed + kSettleChecks[tracked.checks_done]);
        return wake;
    }

    std::mutex lock_;
    bool started_ = false;
    bool polling_ = false;  // some hive could not be given an inotify watch
    int inotify_ = -1;
    std::vector<Tracked> tracked_;
    Clock::time_point next_sweep_{};  // the next look at every hive
};

}  // namespace

void MonitorHive(Hive* hive) {
    // Used by the monitor thread until the process ends: never destroyed.
    static HiveMonitor* monitor = new HiveMonitor;
    monitor->Track(hive);
}

}  // namespace kmxwin::registry
