#include "interrupt.h"

#include <pthread.h>
#include <signal.h>

namespace kmxtool {
namespace {

// SIGUSR1 only tells the waiter to end when no interruption came.
sigset_t Signals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&set, signal);
    return set;
}

}  // namespace

Interruption::Interruption() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    sigset_t set = Signals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    waiter_ = std::thread([this, set] {
        int signal = 0;
        sigwait(&set, &signal);
        taken_ = true;
        if (signal != SIGUSR1) SetEvent(event_);
    });
}

Interruption::~Interruption() {
    if (!taken_) pthread_kill(waiter_.native_handle(), SIGUSR1);
    waiter_.join();
    CloseHandle(event_);
}

}  // namespace kmxtool
