#include "can/PCANDriver.h"

#include "can/BusTrace.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <exception>

namespace veldris {

namespace {
std::atomic<int> runningReceiveThreads{0};
std::atomic<int> runningAtCreation{0};
}

PCANDriver::PCANDriver(AdapterHooks hooks)
    : trace(std::move(hooks.trace)), library(std::move(hooks.notifier)), stopEvent(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    runningAtCreation = runningReceiveThreads.load();
    refreshChannels();
}

PCANDriver::~PCANDriver()
{
    stopReceiveThread(); // the owner stops it first; this only keeps a forgotten thread from outliving us
    event.reset();
    pcan::Handle first = 0;
    if (handleOf(0, first))
        library.uninitialize(first);
    if (stopEvent >= 0)
        ::close(stopEvent);
}

std::uint32_t PCANDriver::refreshChannels()
{
    channels.clear();
    count = 0;
    std::uint32_t attached = 0;
    if (library.getValue(pcan::noneBus, pcan::attachedChannelsCount, &attached, sizeof attached) != pcan::ok)
        return 0;
    count = attached;
    if (attached == 0 || attached > 64) // more channels than any PC has: a broken answer, not a table to allocate
        return count;
    channels.resize(attached);
    const auto bytes = static_cast<std::uint32_t>(attached * sizeof(pcan::ChannelInformation));
    if (library.getValue(pcan::noneBus, pcan::attachedChannels, channels.data(), bytes) != pcan::ok)
        channels.clear();
    return count;
}

bool PCANDriver::handleOf(std::uint32_t index, pcan::Handle& handle) const
{
    if (index >= channels.size())
        return false;
    handle = channels[index].channelHandle;
    return true;
}

pcan::Status PCANDriver::initialize(std::uint32_t index, std::uint16_t btr0btr1, std::uint8_t type, std::uint32_t port,
                                    std::uint16_t interrupt)
{
    pcan::Handle handle = 0;
    if (!handleOf(index, handle))
        return pcan::errorUnknown;
    const pcan::Status status = library.initialize(handle, btr0btr1, type, port, interrupt);
    if (status == pcan::ok)
        event = ReceiveEvent::acquire(library, handle);
    return status;
}

std::string PCANDriver::errorText(pcan::Status status)
{
    constexpr std::uint16_t english = 0x09;
    char text[256] = {}; // the API's texts have no length argument; 256 bytes hold any of them
    if (library.getErrorText(status, english, text) != pcan::ok)
        return {};
    text[sizeof text - 1] = '\0';
    return text;
}

pcan::Status PCANDriver::read(std::uint32_t index, CanFrame& destination)
{
    pcan::Handle handle = 0;
    if (!handleOf(index, handle))
        return pcan::errorUnknown;
    pcan::Message message{};
    pcan::Timestamp timestamp{};
    const pcan::Status status = library.read(handle, &message, &timestamp);
    if (status != pcan::ok || !receiveHook)
        return status;
    receiveHook(message, timestamp);
    destination.setMessage(message);
    destination.setTimestamp(timestamp);
    if (trace)
        trace->record(destination, true);
    return status;
}

pcan::Status PCANDriver::write(std::uint32_t index, const CanFrame& frame)
{
    pcan::Handle handle = 0;
    if (!handleOf(index, handle))
        return pcan::errorUnknown;
    pcan::Message message = frame.message();
    const pcan::Status status = library.write(handle, &message);
    if (status == pcan::ok && trace)
        trace->record(frame, false);
    return status;
}

pcan::Status PCANDriver::reset(std::uint32_t index)
{
    pcan::Handle handle = 0;
    if (!handleOf(index, handle))
        return pcan::errorUnknown;
    return library.reset(handle);
}

void PCANDriver::waitForFrames(std::chrono::microseconds timeout, const StopSignal& stop) const
{
    if (event)
        event->wait(timeout, stop);
    else
        sleepForFrames(timeout, stop);
}

bool PCANDriver::rearmReceiveEvent() const
{
    return event && event->rearm();
}

// The thread watches the receive event of the channel initialised last (the program only ever
// initialises index 0).
bool PCANDriver::startReceiveThread([[maybe_unused]] std::uint32_t index)
{
    if (receiveThread)
        return false;
    stopFlag = false;
    ++runningReceiveThreads; // counted from here, so that the count holds as soon as we return
    try {
        receiveThread = std::make_unique<std::thread>([this] { receiveLoop(); });
    } catch (const std::exception&) {
        // No thread (the system refused one): the client reads the queue without it.
        --runningReceiveThreads;
        return false;
    }
    return true;
}

bool PCANDriver::stopReceiveThread()
{
    if (!receiveThread)
        return false;
    stopFlag = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent, &one, sizeof one);
    receiveThread->join();
    receiveThread.reset();
    std::uint64_t drained = 0;
    [[maybe_unused]] const ssize_t got = ::read(stopEvent, &drained, sizeof drained);
    return true;
}

int PCANDriver::liveReceiveThreads()
{
    return runningReceiveThreads;
}

int PCANDriver::receiveThreadsWhenLastCreated()
{
    return runningAtCreation;
}

// Waits on the channel's receive event until told to stop. It takes no frame off the queue
// (the request engine reads them); an edge-triggered wait wakes once per arrival instead of
// spinning while frames sit in the queue. Without a receive event the thread ends at once.
void PCANDriver::receiveLoop()
{
    const int poller = event ? ::epoll_create1(EPOLL_CLOEXEC) : -1;
    if (poller >= 0) {
        epoll_event frames{EPOLLIN | EPOLLET, {}};
        frames.data.fd = event->descriptor();
        epoll_event stop{EPOLLIN, {}};
        stop.data.fd = stopEvent;
        if (::epoll_ctl(poller, EPOLL_CTL_ADD, event->descriptor(), &frames) == 0
            && ::epoll_ctl(poller, EPOLL_CTL_ADD, stopEvent, &stop) == 0) {
            epoll_event ready[2];
            while (!stopFlag)
                ::epoll_wait(poller, ready, 2, 1000);
        }
        ::close(poller);
    }
    --runningReceiveThreads;
}

} // namespace veldris
