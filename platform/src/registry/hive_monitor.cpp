#include "registry/hive_monitor.h"

#include "registry/hive.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kmxwin::registry {
namespace {

constexpr int kPollMilliseconds = 100;

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
        int watch = inotify_ < 0 ? -1
                                 : inotify_add_watch(inotify_, file.parent_path().c_str(),
                                                     IN_ATTRIB);
        if (watch < 0) polling_ = true;
        tracked_.push_back({hive, watch, file.filename().string()});
    }

private:
    struct Tracked {
        Hive* hive;
        int watch;  // inotify watch of the hive's folder, or -1
        std::string name;
    };

    void Run() {
        try {
            for (;;) {
                std::vector<Hive*> changed = WaitForChanges();
                for (Hive* hive : changed) hive->Refresh();
            }
        } catch (...) {
            // Out of memory: other processes' changes go unnoticed from now on.
        }
    }

    // Blocks until a tracked hive may have changed; the hives to look at.
    std::vector<Hive*> WaitForChanges() {
        bool polling;
        {
            std::lock_guard guard(lock_);
            polling = polling_;
        }
        pollfd ready{inotify_, POLLIN, 0};
        int timeout = polling ? kPollMilliseconds : -1;
        int result = inotify_ >= 0 ? poll(&ready, 1, timeout) : (usleep(timeout * 1000), 0);

        alignas(inotify_event) char buffer[4096];
        std::vector<std::pair<int, std::string>> events;
        bool everything = result == 0;
        if (result > 0) {
            ssize_t length;
            while ((length = read(inotify_, buffer, sizeof buffer)) > 0) {
                for (char* at = buffer; at < buffer + length;) {
                    auto* event = reinterpret_cast<inotify_event*>(at);
                    if (event->mask & IN_Q_OVERFLOW) everything = true;
                    if (event->len) events.emplace_back(event->wd, event->name);
                    at += sizeof(inotify_event) + event->len;
                }
            }
        }

        std::vector<Hive*> changed;
        std::lock_guard guard(lock_);
        for (const Tracked& tracked : tracked_) {
            bool hit = everything || (polling_ && tracked.watch < 0) ||
                       std::any_of(events.begin(), events.end(), [&](const auto& event) {
                           return event.first == tracked.watch &&
                                  event.second == tracked.name + "-wal";
                       });
            if (hit) changed.push_back(tracked.hive);
        }
        return changed;
    }

    std::mutex lock_;
    bool started_ = false;
    bool polling_ = false;  // some hive could not be given an inotify watch
    int inotify_ = -1;
    std::vector<Tracked> tracked_;
};

}  // namespace

void MonitorHive(Hive* hive) {
    // Used by the monitor thread until the process ends: never destroyed.
    static HiveMonitor* monitor = new HiveMonitor;
    monitor->Track(hive);
}

}  // namespace kmxwin::registry
