#include "core/files/SignalCleanup.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

namespace vornix {

namespace {

// A handful of saves and folders at a time is all a program has; more are simply not
// held (as before).
struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 held
    bool folder = false;
    char path[PATH_MAX] = {};
};
Slot g_slots[8];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t TerminationSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    return set;
}

extern "C" void RemoveHeldAndDie(int signal) {
    // Only async-signal-safe calls here.
    for (Slot& slot : g_slots) {
        if (slot.state.load() != 2) continue;
        if (slot.folder)
            ::rmdir(slot.path);
        else
            ::unlink(slot.path);
    }
    // SA_RESETHAND put the default action back: the signal, blocked during the handler,
    // ends the program as soon as the handler returns.
    ::raise(signal);
}

}  // namespace

void RemoveOnTerminationSignals() {
    for (int s : kSignals) {
        struct sigaction old {};
        if (::sigaction(s, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemoveHeldAndDie;
        action.sa_flags = SA_RESETHAND;
        action.sa_mask = TerminationSet();
        ::sigaction(s, &action, nullptr);
    }
}

RemovedOnSignal::RemovedOnSignal(const std::string& path, bool folder) : slot_(-1) {
    if (path.size() >= PATH_MAX) return;
    for (int i = 0; i < static_cast<int>(std::size(g_slots)); ++i) {
        int free = 0;
        if (!g_slots[i].state.compare_exchange_strong(free, 1)) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].folder = folder;
        g_slots[i].state.store(2);
        slot_ = i;
        return;
    }
}

RemovedOnSignal::~RemovedOnSignal() {
    if (slot_ >= 0) g_slots[slot_].state.store(0);
}

TerminationSignalsBlocked::TerminationSignalsBlocked() {
    const sigset_t set = TerminationSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

TerminationSignalsBlocked::~TerminationSignalsBlocked() {
    ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

}  // namespace vornix
