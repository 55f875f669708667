// The virtual bus in real time: delivery, bit rates, bit time and time stamps.

#include "sim/BusClock.h"
#include "sim/VirtualBus.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

#include <poll.h>

namespace {

// Waits for the port's receive event, then takes one frame.
bool receive(sim::VirtualBus& bus, sim::Frame& frame, sim::Micros& stamp, int timeoutMs)
{
    pollfd event{bus.receiveEventFd(), POLLIN, 0};
    if (bus.readFrame(frame, stamp))
        return true;
    return ::poll(&event, 1, timeoutMs) > 0 && bus.readFrame(frame, stamp);
}

// The first frame with identifier `id` within `timeoutMs`.
bool receiveId(sim::VirtualBus& bus, std::uint32_t id, sim::Frame& frame, sim::Micros& stamp, int timeoutMs)
{
    const sim::Micros deadline = bus.now() + sim::millis(timeoutMs);
    while (bus.now() < deadline)
        if (receive(bus, frame, stamp, 10) && frame.id == id)
            return true;
    return false;
}

std::vector<sim::SensorConfig> defaultSensors()
{
    return {defaultSensor(5), defaultSensor(32)};
}

} // namespace

TEST(BusTiming, FrameDurationFollowsBitsAndBitRate)
{
    sim::Frame eight = frameOf("605#4000102A00000000");
    sim::Frame two = frameOf("000#8200");
    EXPECT_EQ(sim::frameDuration(eight, 125), 1080); // 98 stuffed bits + 24 stuff bits + 13 [µs]
    EXPECT_EQ(sim::frameDuration(eight, 1000), 135);
    EXPECT_EQ(sim::frameDuration(two, 125), 600);
    EXPECT_EQ(sim::frameDuration(eight, 0), 0);
}

TEST(VirtualBus, AnswersReachThePortWithTheEvent)
{
    sim::VirtualBus bus({}, defaultSensors());
    bus.openPort(125);
    bus.writeFrame(frameOf("605#40002A0100000000"));
    sim::Frame frame;
    sim::Micros stamp = 0;
    ASSERT_TRUE(receiveId(bus, 0x585, frame, stamp, 200));
    EXPECT_EQ(textOf(frame), "585#43002A0100221006");
    EXPECT_LE(stamp, bus.now());
    // Request and answer take their bit time at 125 kbit/s.
    EXPECT_GT(stamp, bus.now() - sim::millis(200));
}

TEST(VirtualBus, NodesAtAnotherBitRateNeitherHearNorAreHeard)
{
    sim::VirtualBus bus({}, defaultSensors());
    bus.openPort(250);
    bus.writeFrame(frameOf("605#4010100000000000"));
    sim::Frame frame;
    sim::Micros stamp = 0;
    EXPECT_FALSE(receive(bus, frame, stamp, 400)); // not even the heartbeats
    bus.closePort();
    bus.openPort(125);
    EXPECT_TRUE(receiveId(bus, 0x705, frame, stamp, 400));
}

TEST(VirtualBus, HeartbeatAndPdoStampsAreExactMultiples)
{
    sim::VirtualBus bus({}, defaultSensors());
    bus.openPort(125);
    bus.writeFrame(frameOf("000#0100")); // start all nodes
    int pdos = 0, heartbeats = 0;
    const sim::Micros until = bus.now() + sim::millis(1200);
    sim::Frame frame;
    sim::Micros stamp = 0;
    while (bus.now() < until) {
        if (!receive(bus, frame, stamp, 20))
            continue;
        if (frame.id == 0x185) {
            ++pdos;
            EXPECT_EQ(stamp % sim::millis(100), 0);
        } else if (frame.id == 0x705) {
            ++heartbeats;
            EXPECT_EQ(stamp % sim::millis(200), 0);
        } else if (frame.id == 0x1A0) {
            EXPECT_EQ(stamp % sim::millis(50), 0);
        }
    }
    EXPECT_GE(pdos, 10);
    EXPECT_GE(heartbeats, 5);
}

TEST(VirtualBus, ClearingTheQueueDropsWaitingFramesAndTheEvent)
{
    sim::VirtualBus bus({}, defaultSensors());
    bus.openPort(125);
    sim::Frame frame;
    sim::Micros stamp = 0;
    ASSERT_TRUE(receive(bus, frame, stamp, 600)); // a heartbeat
    bus.writeFrame(frameOf("605#4010100000000000"));
    ASSERT_TRUE(receiveId(bus, 0x585, frame, stamp, 100));
    bus.clearQueue();
    pollfd event{bus.receiveEventFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&event, 1, 0), 0);
    EXPECT_FALSE(bus.readFrame(frame, stamp));
}
