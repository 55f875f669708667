// One owner of the bus at a time: the client shared by threads, leases, stop requests and
// refused writes, through the real binding and driver against the simulated library
// (tests/scenarios/owner.ini, chosen by ThreadTestsMain.cpp: nodes 5 and 32 answer at once;
// frames to node 30 are refused). The request engine over a scripted adapter library:
// ReceiveEventTest.

#include "canopen/BusWorker.h"
#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoResult.h"
#include "common/GUIProgress.h"
#include "common/Log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>

using namespace veldris;

namespace {

std::uint32_t heartbeatOf(CanOpenClient& client, std::uint8_t node)
{
    return client.exchange(requests::readHeartbeat(node), 100).answer.value();
}

class BusOwner : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(client.connectAdapter(0, 3)); }

    CanOpenClient client;
};

// Each thread asks its own sensor two objects in turn; every answer must be its own request's
// (node, object and value), whatever the other thread does meanwhile.
TEST_F(BusOwner, TwoThreadsEachGetTheirOwnAnswers)
{
    auto ask = [this](std::uint8_t node, std::uint32_t uid, std::uint32_t serial) {
        int wrong = 0;
        for (int i = 0; i < 1000; ++i) {
            const bool askUid = i % 2 == 0;
            const CanFrame request = askUid ? requests::readUid(node) : requests::sdoFrame(node, 0x40, 0x1018, 4); // serial
            const Exchange result = client.exchange(request, 100);
            const bool own = result.answered() && result.answer.identifier == 0x580u + node
                          && answersRequest(result.answer, request) && result.answer.value() == (askUid ? uid : serial);
            wrong += own ? 0 : 1;
        }
        return wrong;
    };
    auto other = std::async(std::launch::async, ask, std::uint8_t{32}, 0x12345678u, 98765u);
    EXPECT_EQ(ask(5, 0x06102200, 100234), 0);
    EXPECT_EQ(other.get(), 0);
}

TEST_F(BusOwner, LeaseKeepsEveryoneElseOffTheBus)
{
    const std::uint32_t before = heartbeatOf(client, 5);
    std::promise<void> leased, tried;
    std::thread holder([&] {
        BusLease lease = client.tryLease();
        EXPECT_TRUE(lease);
        EXPECT_FALSE(client.tryLease()) << "a second lease, even of the holder's own thread";
        EXPECT_TRUE(client.exchange(requests::readUid(5), 100).answered());
        leased.set_value();
        tried.get_future().wait();
        EXPECT_TRUE(client.exchange(requests::readUid(5), 100).answered()) << "the holder keeps the bus";
    });
    leased.get_future().wait();
    EXPECT_FALSE(client.tryLease());
    EXPECT_EQ(client.exchange(requests::writeHeartbeat(5, 777), 100).status, ExchangeStatus::Busy);
    CanFrame frame;
    frame.identifier = 0x123;
    EXPECT_EQ(client.readFrame(frame).identifier, 0u);
    EXPECT_FALSE(client.connectAdapter(0, 3)) << "the holder's driver must survive";
    tried.set_value();
    holder.join();

    EXPECT_EQ(heartbeatOf(client, 5), before) << "a refused write reached the sensor";
    EXPECT_EQ(client.exchange(requests::writeHeartbeat(5, 777), 100).answer.data[0], 0x60) << "free again";
}

// The stop may reach the worker before its write (nothing is sent) or in its 10 s wait (the
// wait ends); either way the exchange ends as stopped, not as unanswered after 10 s.
TEST_F(BusOwner, StopEndsTheWaitAndEveryLaterExchange)
{
    std::promise<void> asking;
    auto worker = std::async(std::launch::async, [&] {
        BusLease lease = client.tryLease();
        asking.set_value();
        return client.exchange(requests::readUid(77), 10000).status;
    });
    asking.get_future().wait();
    client.requestStop();
    EXPECT_EQ(worker.get(), ExchangeStatus::Stopped);
    EXPECT_EQ(client.exchange(requests::readUid(5), 100).status, ExchangeStatus::Stopped);
    EXPECT_FALSE(client.pause(std::chrono::seconds(10)));
    client.clearStop();
    EXPECT_TRUE(client.exchange(requests::readUid(5), 100).answered());
    EXPECT_TRUE(client.pause(std::chrono::milliseconds(1)));
}

TEST_F(BusOwner, RefusedWriteEndsTheRequestAtOnceAndIsLoggedOnce)
{
    char* logged = nullptr;
    std::size_t size = 0;
    std::FILE* const log = ::open_memstream(&logged, &size);
    setDiagnosticStream(log);
    Exchange refused = client.exchange(requests::readUid(30), 10000);
    EXPECT_EQ(refused.status, ExchangeStatus::WriteRefused);
    EXPECT_EQ(refused.adapterStatus, pcan::errorBusOff);
    const SdoResult result = SdoResult::of(requests::readUid(30), refused);
    EXPECT_FALSE(result.answered());
    EXPECT_EQ(result.failure(), "could not be asked for 0x2A00:01: the adapter refused the request (status 0x00010 (bus off))");
    refused = client.exchange(requests::readUid(30), 10000);
    EXPECT_EQ(refused.status, ExchangeStatus::WriteRefused);
    setDiagnosticStream(nullptr);
    std::fclose(log);
    EXPECT_STREQ(logged, "CAN_Write refused 61E#40002A0100000000: status 0x00010 (bus off)\n");
    std::free(logged);
    EXPECT_TRUE(client.exchange(requests::readUid(5), 100).answered()) << "other frames still go out";
}

TEST_F(BusOwner, WorkerHoldsTheBusUntilItHasFinished)
{
    GUIProgress progress;
    std::promise<void> started, release;
    std::shared_future<void> released = release.get_future().share();
    {
        BusWorker worker(client.tryLease(), progress, [&](Progress& report) {
            report.addLine(client.exchange(requests::readUid(5), 100).answered() ? "answered" : "refused");
            started.set_value();
            released.wait();
            throw std::runtime_error("the sensor went away");
        });
        started.get_future().wait();
        EXPECT_FALSE(client.tryLease()) << "the worker holds the bus";
        EXPECT_EQ(client.exchange(requests::readUid(5), 100).status, ExchangeStatus::Busy);
        EXPECT_EQ(BusWorker::running(), 1);
        release.set_value();
    }
    EXPECT_EQ(BusWorker::running(), 0);
    EXPECT_EQ(progress.lineCount(), 2u);
    EXPECT_EQ(progress.line(0), "answered");
    EXPECT_EQ(progress.line(1), "Error: the sensor went away");
    EXPECT_TRUE(client.tryLease()) << "the worker released the bus";
}

} // namespace
