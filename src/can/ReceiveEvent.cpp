#include "can/ReceiveEvent.h"

#include "can/PCANBasicLibrary.h"
#include "can/StopSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace veldris {

std::unique_ptr<ReceiveEvent> ReceiveEvent::acquire(PCANBasicLibrary& library, pcan::Handle channel)
{
    int fd = -1;
    if (library.getValue(channel, pcan::receiveEvent, &fd, sizeof fd) == pcan::ok && fd >= 0)
        return std::unique_ptr<ReceiveEvent>(new ReceiveEvent(library, channel, fd, false));
    const int own = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (own < 0)
        return nullptr;
    std::uint64_t handle = static_cast<std::uint64_t>(own); // the registration takes an 8-byte handle
    if (library.setValue(channel, pcan::receiveEvent, &handle, sizeof handle) == pcan::ok)
        return std::unique_ptr<ReceiveEvent>(new ReceiveEvent(library, channel, own, true));
    ::close(own);
    return nullptr;
}

ReceiveEvent::ReceiveEvent(PCANBasicLibrary& owner, pcan::Handle handle, int descriptor, bool ours)
    : library(owner), channel(handle), fd(descriptor), registered(ours)
{
}

ReceiveEvent::~ReceiveEvent()
{
    if (!registered)
        return; // the library's own descriptor stays the library's
    std::uint32_t none = 0;
    library.setValue(channel, pcan::receiveEvent, &none, sizeof none);
    ::close(fd);
}

// ppoll rather than poll: a time-out in whole milliseconds would end every wait up to 1 ms late.
void ReceiveEvent::wait(std::chrono::microseconds timeout, const StopSignal& stop) const
{
    const long long micros = std::max<long long>(timeout.count(), 0);
    const timespec limit{static_cast<time_t>(micros / 1000000), static_cast<long>(micros % 1000000 * 1000)};
    pollfd events[2] = {{fd, POLLIN, 0}, {stop.descriptor(), POLLIN, 0}};
    ::ppoll(events, stop.descriptor() >= 0 ? 2 : 1, &limit, nullptr);
}

bool ReceiveEvent::rearm() const
{
    if (!registered)
        return false;
    std::uint64_t count = 0;
    return ::read(fd, &count, sizeof count) > 0;
}

void sleepForFrames(std::chrono::microseconds timeout, const StopSignal& stop)
{
    stop.sleepFor(std::chrono::ceil<std::chrono::milliseconds>(
        std::clamp(timeout, std::chrono::microseconds(0), std::chrono::microseconds(1000))));
}

} // namespace veldris
