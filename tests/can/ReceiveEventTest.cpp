// The receive event of a library that signals an event of ours (the Windows kind): waiting
// must not consume the signal, or of two waiters one would sleep to its deadline.

#include "can/AdapterChoice.h"
#include "can/PCANBasicLibrary.h"
#include "can/ReceiveEvent.h"
#include "can/StopSignal.h"
#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <poll.h>

#include <cstdlib>
#include <string>
#include <thread>

using namespace veldris;

namespace {

// Loads the event library in place of the simulator for one test.
class EventLibraryTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous = std::getenv(libraryVariable);
        ::setenv(libraryVariable, VELDRIS_EVENT_LIBRARY, 1);
        module = ::dlopen(VELDRIS_EVENT_LIBRARY, RTLD_NOW);
        ASSERT_NE(module, nullptr);
        deliver = reinterpret_cast<void (*)(std::uint32_t)>(::dlsym(module, "eventlibrary_deliver"));
        ASSERT_NE(deliver, nullptr);
    }

    void TearDown() override
    {
        ::setenv(libraryVariable, previous.c_str(), 1);
        if (module)
            ::dlclose(module);
    }

    static bool readable(int fd)
    {
        pollfd event{fd, POLLIN, 0};
        return ::poll(&event, 1, 0) > 0;
    }

    std::string previous;
    void* module = nullptr;
    void (*deliver)(std::uint32_t) = nullptr;
};

TEST_F(EventLibraryTest, WaitersDoNotConsumeTheSignalUntilTheQueueIsReadEmpty)
{
    PCANBasicLibrary library;
    const auto event = ReceiveEvent::acquire(library, pcan::usbBus1);
    ASSERT_NE(event, nullptr);
    StopSignal stop;
    deliver(0x185);
    std::thread first([&] { event->wait(std::chrono::minutes(1), stop); });
    std::thread second([&] { event->wait(std::chrono::minutes(1), stop); });
    first.join();
    second.join();
    EXPECT_TRUE(readable(event->descriptor()));
    EXPECT_TRUE(event->rearm()) << "the reader, having emptied the queue, rearms and reads once more";
    EXPECT_FALSE(readable(event->descriptor()));
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

} // namespace
