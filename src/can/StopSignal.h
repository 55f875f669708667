#pragma once

#include <atomic>
#include <chrono>

namespace veldris {

// A request to stop whatever waits on the bus: every wait for frames and every fixed pause
// of the bus path wakes at once when it is raised. Raising it is async-signal-safe (an atomic
// store and one write to an event descriptor), so a SIGINT handler may raise it. It stays
// raised until cleared.
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void raise();
    void clear();
    bool raised() const { return flag.load(std::memory_order_acquire); }

    // Sleeps `duration`, or less when the signal is raised; false when it was (or already is).
    bool sleepFor(std::chrono::milliseconds duration) const;

    // Readable while the signal is raised: for poll() beside other descriptors.
    int descriptor() const { return fd; }

private:
    std::atomic<bool> flag{false};
    int fd = -1;
};

} // namespace veldris
