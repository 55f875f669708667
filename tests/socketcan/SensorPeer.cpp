#include "SensorPeer.h"

#include <linux/can.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

sim::Frame simFrameOf(const can_frame& frame)
{
    sim::Frame converted;
    converted.extended = frame.can_id & CAN_EFF_FLAG;
    converted.remote = frame.can_id & CAN_RTR_FLAG;
    converted.id = frame.can_id & (converted.extended ? CAN_EFF_MASK : CAN_SFF_MASK);
    converted.length = std::min<std::uint8_t>(frame.len, 8);
    std::memcpy(converted.data, frame.data, converted.length);
    return converted;
}

} // namespace

SensorPeer::SensorPeer(int descriptor, sim::SensorConfig config)
    : fd(descriptor)
    , stopEvent(::eventfd(0, EFD_CLOEXEC))
    , sensor(std::move(config), clock.now())
{
    worker = std::thread([this] { run(); });
}

SensorPeer::~SensorPeer()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent, &one, sizeof one);
    worker.join();
    ::close(stopEvent);
}

void SensorPeer::waitUntil(const std::function<bool(const sim::VirtualSensor&)>& done)
{
    std::unique_lock lock(mutex);
    heard.wait(lock, [&] { return done(sensor); });
}

void SensorPeer::run()
{
    for (;;) {
        const sim::Micros now = clock.now();
        const sim::Micros next = sendDue(now);
        const int timeout = next == sim::never ? -1 : static_cast<int>((next - now + 999) / 1000);
        pollfd events[2] = {{fd, POLLIN, 0}, {stopEvent, POLLIN, 0}};
        if (::poll(events, 2, timeout) < 0 || events[1].revents || (events[0].revents & (POLLHUP | POLLERR)))
            return;
        if (events[0].revents & POLLIN)
            hear();
    }
}

void SensorPeer::hear()
{
    can_frame frame{};
    while (::recv(fd, &frame, sizeof frame, MSG_DONTWAIT) == sizeof frame) {
        std::lock_guard lock(mutex);
        sensor.receive(simFrameOf(frame), clock.now(), pending);
        heard.notify_all();
    }
}

sim::Micros SensorPeer::sendDue(sim::Micros now)
{
    std::lock_guard lock(mutex);
    while (sensor.nextDue() <= now)
        sensor.runDue(sensor.nextDue(), pending);
    std::stable_sort(pending.begin(), pending.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    auto due = pending.begin();
    for (; due != pending.end() && due->at <= now; ++due)
        send(due->frame);
    pending.erase(pending.begin(), due);
    heard.notify_all(); // cyclic state changes (a finished boot) count as news too
    return std::min(sensor.nextDue(), pending.empty() ? sim::never : pending.front().at);
}

// A frame the library's queue has no room for is lost, as on a bus whose reader falls behind.
void SensorPeer::send(const sim::Frame& frame) const
{
    can_frame out{};
    out.can_id = frame.id | (frame.extended ? CAN_EFF_FLAG : 0) | (frame.remote ? CAN_RTR_FLAG : 0);
    out.len = frame.length;
    std::memcpy(out.data, frame.data, frame.length);
    ::send(fd, &out, sizeof out, MSG_DONTWAIT | MSG_NOSIGNAL);
}
