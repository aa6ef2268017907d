#pragma once
// What a termination signal must not leave behind: the temporary file of a save in
// progress, a folder made for a helper program. Once a program has called
// RemoveOnTerminationSignals, SIGINT, SIGTERM and SIGHUP remove the paths held at that
// moment and then end the program by the same signal, as they would have without us.
// The window handles its signals itself and never calls it; holding a path is then
// harmless.
#include <signal.h>

#include <string>

namespace vornix {

// Installs the handlers, except for a signal the program was started with ignored
// (nohup, a background job), which stays ignored.
void RemoveOnTerminationSignals();

// Holds a path (a file, or a folder that is empty by then) for removal by a signal while
// it lives; it removes nothing itself. Make it while the signals are blocked
// (TerminationSignalsBlocked) right after creating the path, so that no signal falls
// between the two.
class RemovedOnSignal {
public:
    explicit RemovedOnSignal(const std::string& path, bool folder = false);
    ~RemovedOnSignal();
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

private:
    int slot_;
};

// The three signals wait while it lives (on this thread).
class TerminationSignalsBlocked {
public:
    TerminationSignalsBlocked();
    ~TerminationSignalsBlocked();
    TerminationSignalsBlocked(const TerminationSignalsBlocked&) = delete;
    TerminationSignalsBlocked& operator=(const TerminationSignalsBlocked&) = delete;

private:
    sigset_t saved_;
};

}  // namespace vornix
