#include "can/ReceiveEvent.h"

#include "can/PCANBasicLibrary.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <thread>

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

void ReceiveEvent::wait(int timeoutMs)
{
    pollfd event{fd, POLLIN, 0};
    if (::poll(&event, 1, std::max(timeoutMs, 0)) > 0 && registered) {
        std::uint64_t count = 0; // reset our event, as an auto-reset event resets when waited for
        [[maybe_unused]] const ssize_t got = ::read(fd, &count, sizeof count);
    }
}

void sleepForFrames(int timeoutMs)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp(timeoutMs, 0, 1)));
}

} // namespace veldris
