// The virtual bus in real time: delivery, bit rates, time stamps and foreign traffic. (An answer
// reaching the port with its time stamp is checked through the real client in CanOpenClientTest.)

#include "sim/VirtualBus.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>

#include <poll.h>

namespace {

// The default scenario's sensors (nodes 5 and 32 at 125 kbit/s) on a bus in real time, and the
// port's side of it.
class VirtualBus : public testing::Test {
protected:
    const std::chrono::steady_clock::time_point created = std::chrono::steady_clock::now(); // before the bus

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

// Bus time counts from the bus's start, not from the epoch: it is never ahead of the time since
// the fixture, made before the bus, began.
TEST_F(VirtualBus, BusTimeStartsWithTheBus)
{
    const sim::Micros busNow = bus.now();
    const auto sinceCreated = std::chrono::steady_clock::now() - created;
    EXPECT_GE(busNow, 0);
    EXPECT_LE(busNow, std::chrono::duration_cast<std::chrono::microseconds>(sinceCreated).count());
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

namespace {

// A bus without sensors carrying only foreign traffic, read at the port (125 kbit/s).
class ForeignTraffic : public testing::Test {
protected:
    void start(std::vector<sim::TrafficConfig> traffic)
    {
        sim::BusOptions options;
        options.traffic = std::move(traffic);
        bus = std::make_unique<sim::VirtualBus>(options, std::vector<sim::SensorConfig>{});
        bus->openPort(125);
    }

    // The next `count` frames the port receives, each with its time stamp, waiting on the event.
    std::vector<std::pair<sim::Frame, sim::Micros>> receive(std::size_t count)
    {
        std::vector<std::pair<sim::Frame, sim::Micros>> frames;
        sim::Frame frame;
        sim::Micros stamp = 0;
        for (pollfd event{bus->receiveEventFd(), POLLIN, 0}; frames.size() < count;) {
            if (bus->readFrame(frame, stamp))
                frames.emplace_back(frame, stamp);
            else if (::poll(&event, 1, 10'000) != 1)
                break;
        }
        return frames;
    }

    static std::uint64_t counter(const sim::Frame& frame)
    {
        std::uint64_t value = 0;
        for (int i = frame.length - 1; i >= 0; --i)
            value = value << 8 | frame.data[i];
        return value;
    }

    std::unique_ptr<sim::VirtualBus> bus;
};

} // namespace

// Each frame at its period (2.5 ms, an exact multiple from bus time 0), its counter one up.
TEST_F(ForeignTraffic, FramesComeAtTheirPeriodWithChangingData)
{
    start({{0x080, 8, 2500}});
    const auto frames = receive(40);
    ASSERT_EQ(frames.size(), 40u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].first.id, 0x080u);
        EXPECT_EQ(frames[i].first.length, 8);
        EXPECT_EQ(frames[i].second % 2500, 0);
        if (i > 0) {
            EXPECT_EQ(frames[i].second - frames[i - 1].second, 2500);
            EXPECT_EQ(counter(frames[i].first), counter(frames[i - 1].first) + 1);
        }
    }
}

// Both due at the same instants: the lower identifier wins every time, though listed second.
TEST_F(ForeignTraffic, LowerIdentifierWinsTheArbitration)
{
    start({{0x0F0, 8, 5000}, {0x080, 8, 5000}});
    const auto frames = receive(40);
    ASSERT_EQ(frames.size(), 40u);
    const std::size_t first = frames.front().first.id == 0x080 ? 0 : 1; // the port may open between the two
    for (std::size_t i = first; i + 1 < frames.size(); i += 2) {
        EXPECT_EQ(frames[i].first.id, 0x080u);
        EXPECT_EQ(frames[i + 1].first.id, 0x0F0u);
        EXPECT_EQ(frames[i].second, frames[i + 1].second);
    }
}

// 0x080 every 1 ms needs more than the whole bus (an 8-byte frame takes 1.08 ms): it keeps the
// bus, 0x0F0 never gets it, and each node keeps at most one frame waiting.
TEST_F(ForeignTraffic, SaturatedBusKeepsOneFramePerNodeWaiting)
{
    start({{0x080, 8, 1000}, {0x0F0, 8, 5000}});
    std::size_t skipped = 0;
    for (int round = 0; round < 10; ++round) {
        const auto frames = receive(50);
        ASSERT_EQ(frames.size(), 50u);
        EXPECT_LE(bus->framesWaiting(), 2u);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(frames[i].first.id, 0x080u);
            if (i > 0 && counter(frames[i].first) != counter(frames[i - 1].first) + 1)
                ++skipped; // the waiting frame was replaced by the next one due
        }
    }
    EXPECT_GT(skipped, 0u);
}

namespace {

// Waits for the simulator's clock to show `t`.
void waitForBusTime(const sim::VirtualBus& bus, sim::Micros t)
{
    for (sim::Micros now = bus.now(); now < t; now = bus.now())
        std::this_thread::sleep_for(std::chrono::microseconds(t - now));
}

} // namespace

// From 400 ms to 1000 ms of bus time the adapter is bus-off: it refuses frames and receives
// none, while node 5 keeps sending its heartbeats; afterwards it works without a new open.
TEST(BusOff, AdapterIsOffForItsWindowThenWorksAgain)
{
    sim::BusOptions options;
    options.busOffAt = sim::millis(400);
    options.busOffFor = sim::millis(600);
    options.traffic = {{0x080, 8, 10'000}};
    sim::VirtualBus bus{options, {defaultSensor(5)}};
    std::atomic<int> heartbeatsInWindow{0};
    bus.setTrace([&](const sim::Frame& frame, sim::Micros at) {
        if (frame.id == 0x705 && at >= sim::millis(400) && at < sim::millis(1000))
            ++heartbeatsInWindow;
    });
    bus.openPort(125);

    waitForBusTime(bus, sim::millis(500));
    const bool written = bus.writeFrame(frameOf("605#4017100000000000"));
    const bool off = bus.portBusOff();
    if (bus.now() < sim::millis(1000)) { // both calls fell into the window
        EXPECT_FALSE(written);
        EXPECT_TRUE(off);
    }
    waitForBusTime(bus, sim::millis(1000));
    EXPECT_FALSE(bus.portBusOff());
    ASSERT_TRUE(bus.writeFrame(frameOf("605#4017100000000000")));

    sim::Frame frame;
    sim::Micros stamp = 0;
    bool answered = false;
    for (pollfd event{bus.receiveEventFd(), POLLIN, 0}; !answered;) {
        if (!bus.readFrame(frame, stamp)) {
            ASSERT_EQ(::poll(&event, 1, 10'000), 1) << "no answer after the bus-off";
            continue;
        }
        EXPECT_TRUE(stamp < sim::millis(400) || stamp >= sim::millis(1000)) << std::hex << frame.id << std::dec << " " << stamp;
        answered = frame.id == 0x585;
    }
    EXPECT_EQ(heartbeatsInWindow, 3); // 400, 600 and 800 ms
}

// A frame the adapter queued behind higher-priority traffic is dropped when it goes bus-off:
// after the window only the foreign node's one frame waits.
TEST(BusOff, QueuedFramesOfTheAdapterAreDropped)
{
    sim::BusOptions options;
    options.busOffAt = sim::millis(200);
    options.busOffFor = sim::millis(100);
    options.traffic = {{0x001, 8, 1000}}; // needs more than the whole bus: 0x605 never wins
    sim::VirtualBus bus{options, {}};
    bus.openPort(125);
    if (!bus.writeFrame(frameOf("605#4017100000000000")))
        GTEST_SKIP() << "the machine reached the window before the frame was written";
    waitForBusTime(bus, sim::millis(300));
    sim::Frame frame;
    sim::Micros stamp = 0;
    for (pollfd event{bus.receiveEventFd(), POLLIN, 0}; stamp < sim::millis(330);) {
        if (bus.readFrame(frame, stamp))
            EXPECT_LE(bus.framesWaiting(), 1u) << stamp;
        else
            ASSERT_EQ(::poll(&event, 1, 10'000), 1);
    }
}
