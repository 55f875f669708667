// The CANopen client through the real binding and driver against the simulated library
// (scenario tests/scenarios/client.ini: node 5 answers at once, node 9 60 ms late, quiet bus).
// Events on the bus are ordered by the simulator's trace, never by sleeping.

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"

#include "SimulatorTrace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace veldris;
using Clock = std::chrono::steady_clock;

namespace {

std::int64_t millisSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The simulator's time stamps count µs since the epoch.
std::uint64_t epochMicros()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

CanFrame nmt(std::uint8_t command, std::uint8_t node)
{
    CanFrame frame;
    frame.length = 2;
    frame.data[0] = command;
    frame.data[1] = node;
    return frame;
}

class CanOpenClientTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(client.connectAdapter(0, 3)); }

    CanOpenClient client;
};

} // namespace

// An answer ends the wait, and so does an abort: it answers the request too. The time-outs
// outlast the test's time limit, which catches a wait that runs on to them.
TEST_F(CanOpenClientTest, AnswerOrAbortEndsTheWait)
{
    constexpr std::uint32_t pastTheTimeLimit = 600000;
    CanFrame answer;
    const std::uint64_t requestedAt = epochMicros();
    client.request(answer, requests::readUid(5), pastTheTimeLimit);
    EXPECT_EQ(answer.identifier, 0x585u);
    const std::uint8_t expected[8] = {0x43, 0x00, 0x2A, 0x01, 0x00, 0x22, 0x10, 0x06};
    EXPECT_EQ(std::memcmp(answer.data, expected, 8), 0);
    // Stamped when the sensor sent it, on the epoch's scale.
    EXPECT_GE(answer.timestampMicros(), requestedAt);
    EXPECT_LE(answer.timestampMicros(), epochMicros());

    client.request(answer, requests::sdoFrame(5, 0x40, 0x6000, 0), pastTheTimeLimit); // no such object
    EXPECT_EQ(answer.data[0], 0x80);
}

// Without an answer the wait lasts the whole time-out, also for an NMT command, which nothing
// ever answers; the response's data bytes and time stamp are cleared.
TEST_F(CanOpenClientTest, UnansweredRequestWaitsItsWholeTimeOut)
{
    for (const CanFrame& request : {requests::readUid(77), nmt(0x01, 77)}) {
        SCOPED_TRACE(request.identifier);
        const auto start = Clock::now();
        EXPECT_EQ(client.exchange(request, 30).status, ExchangeStatus::NoAnswer);
        EXPECT_GE(millisSince(start), 30);
    }
    CanFrame answer;
    answer.data[0] = 0x43;
    answer.milliseconds = 7;
    answer.microseconds = 5;
    client.request(answer, requests::readUid(77), 1);
    for (std::uint8_t byte : answer.data)
        EXPECT_EQ(byte, 0);
    EXPECT_EQ(answer.milliseconds, 0u);
    EXPECT_EQ(answer.microseconds, 0u);
}

// Node 9 answers 60 ms late: the first request gives up before its answer comes. Once that
// answer waits in the queue, a second request for the same object must discard it and take
// its own, later answer.
TEST_F(CanOpenClientTest, AnswerFromBeforeTheRequestIsNeverTaken)
{
    const std::uintmax_t offset = traceSize();
    EXPECT_EQ(client.exchange(requests::readHeartbeat(9), 20).status, ExchangeStatus::NoAnswer);
    ASSERT_TRUE(traced(offset, "589#4B1710"));
    const std::uint64_t requestedAt = epochMicros();
    const Exchange second = client.exchange(requests::readHeartbeat(9), 1000);
    ASSERT_TRUE(second.answered());
    EXPECT_GE(second.answer.timestampMicros(), requestedAt);
}

TEST_F(CanOpenClientTest, ReadFrameAndDrainOnAnEmptyQueue)
{
    CanFrame frame;
    frame.identifier = 0x123;
    frame.length = 3;
    frame.data[0] = 9;
    client.readFrame(frame);
    EXPECT_EQ(frame.identifier, 0u);
    EXPECT_EQ(frame.length, 0);
    EXPECT_EQ(frame.data[0], 0);

    // Both sensors reset their communication; their boot-ups (data byte 0 is 0, as an empty
    // read leaves it) wait in the queue, and the drain must not stop at the first of them.
    const std::uintmax_t offset = traceSize();
    client.send(nmt(0x82, 0));
    ASSERT_TRUE(traced(offset, "705#00"));
    ASSERT_TRUE(traced(offset, "709#00"));
    client.drainReceiveQueue();
    client.readFrame(frame);
    EXPECT_EQ(frame.identifier, 0u);
}

TEST_F(CanOpenClientTest, ScanFindsTheSensorsAndNothingElse)
{
    const auto start = Clock::now();
    const std::vector<std::int32_t> nodes = listNodes(client);
    EXPECT_EQ(nodes, (std::vector<std::int32_t>{5})); // node 9 answers after the 30 ms probe
    EXPECT_GE(millisSince(start), 127 * 30); // every probe but node 5's waits its 30 ms
}

TEST(CanOpenClient, SecondConnectStopsTheFirstReceiveThreadFirst)
{
    CanOpenClient client;
    ASSERT_TRUE(client.connectAdapter(0, 3));
    EXPECT_EQ(PCANDriver::liveReceiveThreads(), 1);
    ASSERT_TRUE(client.connectAdapter(0, 3));
    EXPECT_EQ(PCANDriver::receiveThreadsWhenLastCreated(), 0);
    EXPECT_EQ(PCANDriver::liveReceiveThreads(), 1);
    EXPECT_FALSE(client.connectAdapter(0, -1)); // "Bitrate not set!"
    EXPECT_EQ(PCANDriver::liveReceiveThreads(), 0);
}

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::setenv("VELDRIS_SIM_SCENARIO", VELDRIS_SOURCE_DIR "/tests/scenarios/client.ini", 1);
    traceTheSimulatedBus();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
