#include "canopen/BusWorker.h"

#include "common/GUIProgress.h"

#include <atomic>
#include <exception>

namespace veldris {

namespace {

std::atomic<int> workers{0};

void work(BusLease lease, GUIProgress& progress, const BusWorker::Procedure& procedure)
{
    lease.adopt();
    try {
        procedure(progress);
    } catch (const std::exception& error) {
        progress.addLine(std::string("Error: ") + error.what());
    } catch (...) {
        progress.addLine("Error: unknown exception");
    }
    lease.release();
    --workers;
    progress.finish();
}

} // namespace

BusWorker::BusWorker(BusLease lease, GUIProgress& progress, Procedure procedure)
{
    progress.running = true;
    ++workers; // counted from here, so that the count holds as soon as we return
    try {
        thread = std::thread(work, std::move(lease), std::ref(progress), std::move(procedure));
        threadStarted = true;
    } catch (const std::exception& error) {
        // No thread (the system refused one): nothing runs, and the lease went with the
        // arguments. The reason is the report's only line.
        --workers;
        progress.addLine(std::string("Error: ") + error.what());
        progress.finish();
    }
}

BusWorker::~BusWorker()
{
    join();
}

void BusWorker::join()
{
    if (thread.joinable())
        thread.join();
}

int BusWorker::running()
{
    return workers;
}

} // namespace veldris
