// The receive event of a library that signals an event of ours (the Windows kind): waiting
// must not consume the signal, or of two waiters one would sleep to its deadline.

#include "can/AdapterChoice.h"
#include "can/PCANBasicLibrary.h"
#include "can/PCANDriver.h"
#include "can/ReceiveEvent.h"
#include "can/StopSignal.h"
#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <poll.h>

#include <cstdlib>
#include <cstring>
#include <thread>

using namespace veldris;

namespace {

// Loads the event library in place of the simulator for one test.
class EventLibraryTest : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv(libraryVariable, VELDRIS_EVENT_LIBRARY, 1);
        module = ::dlopen(VELDRIS_EVENT_LIBRARY, RTLD_NOW);
        ASSERT_NE(module, nullptr);
        deliver = reinterpret_cast<void (*)(std::uint32_t)>(::dlsym(module, "eventlibrary_deliver"));
        ASSERT_NE(deliver, nullptr);
    }

    void TearDown() override
    {
        ::setenv(libraryVariable, VELDRIS_SIM_LIBRARY, 1); // as the other thread tests have it
        if (module)
            ::dlclose(module);
    }

    void* module = nullptr;
    void (*deliver)(std::uint32_t) = nullptr;
};

TEST_F(EventLibraryTest, WaitersDoNotConsumeTheSignalUntilTheQueueIsReadEmpty)
{
    PCANBasicLibrary library;
    const auto event = ReceiveEvent::acquire(library, pcan::usbBus1);
    ASSERT_NE(event, nullptr);
    const auto readable = [&] { pollfd p{event->descriptor(), POLLIN, 0}; return ::poll(&p, 1, 0) > 0; };
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

TEST_F(EventLibraryTest, ClientExchangesOverTheSignalledEvent)
{
    CanOpenClient client;
    ASSERT_TRUE(client.connectAdapter(0, 3));
    for (int i = 0; i < 50; ++i) {
        const Exchange result = client.exchange(requests::readUid(5), 1000);
        ASSERT_TRUE(result.answered());
        EXPECT_EQ(result.answer.value(), 0x12345678u);
    }
}

// An empty receive queue is no frame: the status says so and the caller's frame keeps what it
// held, even with the receive hook installed that has every frame read copied out.
TEST_F(EventLibraryTest, ReadingAnEmptyQueueLeavesTheFrameAsItWas)
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
