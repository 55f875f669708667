#pragma once

#include "canopen/BusLease.h"

#include <functional>
#include <thread>

namespace veldris {

class GUIProgress;
class Progress;

// Runs one long procedure on a thread of its own that holds the bus for the whole run. The
// caller takes the lease (so nothing slips in while the thread starts) and keeps the
// GUIProgress alive until the worker is joined. The thread adopts the lease as its first
// action and, on every way out, releases the bus and then finishes the progress, so that once
// `running` reads false the bus is free and every report line is in the GUIProgress. An
// exception that escapes the procedure becomes its last report line ("Error: " and its text).
class BusWorker {
public:
    using Procedure = std::function<void(Progress&)>;

    // Sets `progress.running` and starts the thread. When no thread can be started, the bus is
    // released, the count unchanged, `running` false and the system's reason the report's line.
    BusWorker(BusLease lease, GUIProgress& progress, Procedure procedure);
    ~BusWorker(); // joins
    bool started() const { return threadStarted; }
    BusWorker(const BusWorker&) = delete;
    BusWorker& operator=(const BusWorker&) = delete;

    void join();

    // Worker threads running in the process, for tests.
    static int running();

private:
    std::thread thread;
    bool threadStarted = false;
};

} // namespace veldris
