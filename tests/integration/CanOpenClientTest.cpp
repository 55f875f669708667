// The CANopen client through the real binding and driver against the simulated library
// (scenario tests/scenarios/client.ini: node 5 answers at once, node 9 60 ms late, quiet bus).

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

using namespace veldris;
using Clock = std::chrono::steady_clock;

namespace {

std::int64_t millisSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class CanOpenClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(client.connectAdapter(0, 3));
    }

    CanOpenClient client;
};

} // namespace

// An answer ends the wait at once, and so does an abort: it answers the request too.
TEST_F(CanOpenClientTest, AnswerOrAbortEndsTheWaitAtOnce)
{
    CanFrame answer;
    auto start = Clock::now();
    client.request(answer, requests::readUid(5), 100);
    EXPECT_LT(millisSince(start), 50);
    EXPECT_EQ(answer.identifier, 0x585u);
    const std::uint8_t expected[8] = {0x43, 0x00, 0x2A, 0x01, 0x00, 0x22, 0x10, 0x06};
    EXPECT_EQ(std::memcmp(answer.data, expected, 8), 0);
    EXPECT_GT(answer.milliseconds, 0u);

    start = Clock::now();
    client.request(answer, requests::sdoFrame(5, 0x40, 0x6000, 0), 1000); // no such object
    EXPECT_LT(millisSince(start), 100);
    EXPECT_EQ(answer.data[0], 0x80);
}

TEST_F(CanOpenClientTest, UnansweredRequestWaitsItsTimeOutAndClearsTheAnswer)
{
    CanFrame answer;
    answer.microseconds = 5;
    const auto start = Clock::now();
    client.request(answer, requests::readUid(77), 30);
    const auto waited = millisSince(start);
    EXPECT_GE(waited, 30);
    EXPECT_LT(waited, 60);
    for (std::uint8_t byte : answer.data)
        EXPECT_EQ(byte, 0);
    EXPECT_EQ(answer.milliseconds, 0u);
    EXPECT_EQ(answer.microseconds, 0u);
}

TEST_F(CanOpenClientTest, AnswerFromBeforeTheRequestIsNeverTaken)
{
    // Node 9 answers 60 ms late: the first request gives up; its answer arrives while the
    // second request for the same object waits, which takes its own, later answer.
    CanFrame first;
    client.request(first, requests::readHeartbeat(9), 20);
    EXPECT_EQ(first.data[0], 0);
    ::usleep(50000); // the late answer is now in the queue
    const auto requestedAt = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    CanFrame second;
    client.request(second, requests::readHeartbeat(9), 200);
    ASSERT_EQ(second.data[0], 0x4B);
    EXPECT_GE(static_cast<std::int64_t>(second.timestampMicros()), requestedAt);
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

    // Frames waiting are all discarded, also one whose first data byte is 0.
    for (const CanFrame& request : {requests::sdoFrame(5, 0x40, 0x1001, 0), requests::readUid(5)})
        client.send(request);
    ::usleep(20000);
    client.drainReceiveQueue();
    client.readFrame(frame);
    EXPECT_EQ(frame.identifier, 0u);
}

TEST_F(CanOpenClientTest, ScanFindsTheSensorsAndNothingElse)
{
    const auto start = Clock::now();
    const std::vector<std::int32_t> nodes = listNodes(client);
    EXPECT_EQ(nodes, (std::vector<std::int32_t>{5})); // node 9 answers after the 30 ms probe
    EXPECT_GE(millisSince(start), 128 * 30 - 60);
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
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
