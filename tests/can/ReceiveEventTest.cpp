// The library of tests/can/EventLibrary.cpp in place of the simulator: a library of the Windows
// kind, which signals a receive event of ours at every arrival. Its channel answers every SDO
// upload at once with 0x43 and the value 0x12345678, and nothing else.

#include "can/AdapterChoice.h"
#include "can/PCANBasicLibrary.h"
#include "can/PCANDriver.h"
#include "can/ReceiveEvent.h"
#include "can/StopSignal.h"
#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorInfo.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <poll.h>

#include <cstdlib>
#include <cstring>
#include <thread>

using namespace veldris;

namespace {

class ScriptedAdapter : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv(libraryVariable, VELDRIS_EVENT_LIBRARY, 1);
        module = ::dlopen(VELDRIS_EVENT_LIBRARY, RTLD_NOW);
        ASSERT_NE(module, nullptr);
        deliver = reinterpret_cast<void (*)(std::uint32_t)>(::dlsym(module, "eventlibrary_deliver"));
        flood = reinterpret_cast<void (*)(int)>(::dlsym(module, "eventlibrary_flood"));
        ASSERT_TRUE(deliver && flood);
    }

    void TearDown() override
    {
        ::setenv(libraryVariable, VELDRIS_SIM_LIBRARY, 1); // as the other thread tests have it
        if (flood)
            flood(0);
        if (module)
            ::dlclose(module);
    }

    void* module = nullptr;
    void (*deliver)(std::uint32_t) = nullptr;
    void (*flood)(int) = nullptr;
};

// Waiting must not consume the signal, or of two waiters one would sleep to its deadline.
TEST_F(ScriptedAdapter, WaitersDoNotConsumeTheSignalUntilTheQueueIsReadEmpty)
{
    PCANBasicLibrary library;
    const auto event = ReceiveEvent::acquire(library, pcan::usbBus1);
    ASSERT_NE(event, nullptr);
    const auto readable = [&] {
        pollfd p{event->descriptor(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    };
    StopSignal stop;
    deliver(0x185);
    std::thread first([&] { event->wait(std::chrono::minutes(1), stop); });
    std::thread second([&] { event->wait(std::chrono::minutes(1), stop); });
    first.join();
    second.join();
    EXPECT_TRUE(readable());
    EXPECT_TRUE(event->rearm()) << "the reader, having emptied the queue, rearms and reads once more";
    EXPECT_FALSE(readable());
    EXPECT_FALSE(event->rearm()) << "nothing came since: wait";
    stop.raise();
    event->wait(std::chrono::minutes(1), stop); // a raised stop ends the wait
}

// Every exchange over the signalled event gets its answer, not only the first. The heartbeat
// time is an UNSIGNED16: a four-byte answer is no heartbeat time.
TEST_F(ScriptedAdapter, HeartbeatAnsweredWithFourBytesIsNone)
{
    CanOpenClient client;
    ASSERT_TRUE(client.connectAdapter(0, 3));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(client.exchange(requests::readHeartbeat(5), 1000).answer.data[0], 0x43);
    SensorInfo sensor;
    sensor.nodeId = "5";
    const SdoResult heartbeat = getHeartbeat(client, sensor);
    EXPECT_EQ(heartbeat.kind, SdoResult::Kind::Unexpected);
    EXPECT_EQ(heartbeat.value, 0u);
}

// The engine tests its deadline after every frame it reads, answering or not: on a bus so
// busy that the queue never empties, an exchange still ends unanswered at its time-out (a
// wait past it trips the test's time limit).
TEST_F(ScriptedAdapter, ExchangeEndsAtItsTimeOutWhileFramesKeepComing)
{
    CanOpenClient client;
    ASSERT_TRUE(client.connectAdapter(0, 3));
    flood(1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.exchange(requests::writeHeartbeat(5, 100), 50).status, ExchangeStatus::NoAnswer);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

// An empty receive queue is no frame: the status says so and the caller's frame keeps what it
// held, even with the receive hook installed that has every frame read copied out.
TEST_F(ScriptedAdapter, ReadingAnEmptyQueueLeavesTheFrameAsItWas)
{
    PCANDriver driver;
    ASSERT_EQ(driver.reset(0), pcan::ok); // whatever an earlier test left in the queue
    driver.setReceiveHook([](pcan::Message, pcan::Timestamp) {});
    deliver(0x185);
    CanFrame frame;
    ASSERT_EQ(driver.read(0, frame), pcan::ok);
    EXPECT_EQ(frame.identifier, 0x185u); // a frame read is copied out
    CanFrame pattern;
    std::memset(static_cast<void*>(&pattern), 0xA5, sizeof pattern); // every byte, padding and time stamp too
    frame = pattern;
    EXPECT_EQ(driver.read(0, frame), 0x20u); // PCAN_ERROR_QRCVEMPTY
    EXPECT_EQ(std::memcmp(&frame, &pattern, sizeof frame), 0);
}

} // namespace
