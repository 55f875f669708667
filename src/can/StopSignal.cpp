#include "can/StopSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <thread>

namespace veldris {

StopSignal::StopSignal() : fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

StopSignal::~StopSignal()
{
    if (fd >= 0)
        ::close(fd);
}

void StopSignal::raise()
{
    flag.store(true, std::memory_order_release);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

void StopSignal::clear()
{
    flag.store(false, std::memory_order_release);
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(fd, &count, sizeof count);
}

bool StopSignal::sleepFor(std::chrono::milliseconds duration) const
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + duration;
    while (!raised()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            return true;
        if (fd < 0) { // no descriptor could be made: look at the flag every 10 ms
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, 10)));
            continue;
        }
        pollfd stop{fd, POLLIN, 0};
        ::poll(&stop, 1, static_cast<int>(left));
    }
    return false;
}

} // namespace veldris
