// The virtual bus in real time: delivery, bit rates and time stamps. (An answer
// reaching the port with its time stamp is checked through the real client in CanOpenClientTest.)

#include "sim/VirtualBus.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

#include <map>

#include <poll.h>

namespace {

// The default scenario's sensors (nodes 5 and 32 at 125 kbit/s) on a bus in real time, and the
// port's side of it.
class VirtualBus : public testing::Test {
protected:
    // Waits for the port's receive event, then takes one frame.
    bool receive(int timeoutMs)
    {
        pollfd event{bus.receiveEventFd(), POLLIN, 0};
        return bus.readFrame(frame, stamp) || (::poll(&event, 1, timeoutMs) > 0 && bus.readFrame(frame, stamp));
    }

    sim::VirtualBus bus{{}, {defaultSensor(5), defaultSensor(32)}};
    sim::Frame frame;
    sim::Micros stamp = 0;
};

} // namespace

// The port hears nothing at another bit rate (not even the heartbeats), and is not heard.
TEST_F(VirtualBus, NodesAtAnotherBitRateNeitherHearNorAreHeard)
{
    bus.openPort(250);
    bus.writeFrame(frameOf("605#4010100000000000"));
    EXPECT_FALSE(receive(400));
    bus.closePort();
    bus.openPort(125);
    EXPECT_TRUE(receive(10'000)); // the heartbeats again
}

// The port sees the instants the sensors scheduled, not those of delivery.
TEST_F(VirtualBus, HeartbeatAndPdoStampsAreExactMultiples)
{
    bus.openPort(125);
    bus.writeFrame(frameOf("000#0100")); // start all nodes
    std::map<std::uint32_t, int> counts;
    const std::map<std::uint32_t, sim::Micros> periods{
        {0x185, sim::millis(100)}, {0x705, sim::millis(200)}, {0x1A0, sim::millis(50)}};
    // Until enough frames came: a loaded machine may deliver late, but never with other stamps.
    for (const sim::Micros until = bus.now() + sim::millis(30'000);
         (counts[0x185] < 10 || counts[0x705] < 5) && bus.now() < until;) {
        if (!receive(20) || !periods.count(frame.id))
            continue;
        ++counts[frame.id];
        EXPECT_EQ(stamp % periods.at(frame.id), 0) << std::hex << frame.id;
    }
    EXPECT_GE(counts[0x185], 10);
    EXPECT_GE(counts[0x705], 5);
}

TEST_F(VirtualBus, ClearingTheQueueDropsWaitingFramesAndTheEvent)
{
    bus.openPort(125);
    bus.writeFrame(frameOf("605#4010100000000000"));
    pollfd event{bus.receiveEventFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&event, 1, 10'000), 1); // the answer waits
    bus.clearQueue();
    EXPECT_EQ(::poll(&event, 1, 0), 0);
    EXPECT_FALSE(bus.readFrame(frame, stamp));
}
