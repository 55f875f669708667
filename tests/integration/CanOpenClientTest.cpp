// The CANopen client through the real binding and driver against the simulated library
// (scenario tests/scenarios/client.ini: node 5 answers at once, node 9 60 ms late, quiet bus).
// Events on the bus are ordered by the simulator's trace, never by sleeping.

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoTransfer.h"
#include "sensor/NodeIdentity.h"

#include "SimulatorTrace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace veldris;
using Clock = std::chrono::steady_clock;

namespace {

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
    CanFrame answer = client.exchange(requests::readUid(5), pastTheTimeLimit).answer;
    EXPECT_EQ(answer.identifier, 0x585u);
    const std::uint8_t expected[8] = {0x43, 0x00, 0x2A, 0x01, 0x00, 0x22, 0x10, 0x06};
    EXPECT_EQ(std::memcmp(answer.data, expected, 8), 0);

    answer = client.exchange(requests::sdoFrame(5, 0x40, 0x6000, 0), pastTheTimeLimit).answer; // no such object
    EXPECT_EQ(answer.data[0], 0x80);
}

// Without an answer the wait lasts the whole time-out, also for an NMT command, which nothing
// ever answers; the answer's data bytes and time stamp are cleared.
TEST_F(CanOpenClientTest, UnansweredRequestWaitsItsWholeTimeOut)
{
    for (const CanFrame& request : {requests::readUid(77), CanFrame{.length = 2, .data = {0x01, 77}}}) {
        SCOPED_TRACE(request.identifier);
        const auto start = Clock::now();
        EXPECT_EQ(client.exchange(request, 30).status, ExchangeStatus::NoAnswer);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
    }
    // The sensors' boot-ups after a reset come during the wait and answer nothing (they come
    // within a few ms of the 300): the result keeps nothing of them.
    const std::uintmax_t offset = traceSize();
    const Exchange reset = client.exchange(CanFrame{.length = 2, .data = {0x82, 0}}, 300);
    ASSERT_TRUE(traced(offset, "705#00"));
    EXPECT_EQ(reset.status, ExchangeStatus::NoAnswer);
    EXPECT_EQ(reset.answer.identifier, 0u);
    EXPECT_EQ(reset.answer.length, 0);
    for (std::uint8_t byte : reset.answer.data)
        EXPECT_EQ(byte, 0);
    EXPECT_EQ(reset.answer.milliseconds, 0u);
    EXPECT_EQ(reset.answer.microseconds, 0u);
}

// Node 9 answers 60 ms late: the first request gives up before its answer comes. Once that
// answer waits in the queue, a second request for the same object must discard it and take
// its own, later answer.
TEST_F(CanOpenClientTest, AnswerFromBeforeTheRequestIsNeverTaken)
{
    const std::uintmax_t offset = traceSize();
    EXPECT_EQ(client.exchange(requests::readHeartbeat(9), 20).status, ExchangeStatus::NoAnswer);
    ASSERT_TRUE(traced(offset, "589#4B1710"));
    const Exchange second = client.exchange(requests::readHeartbeat(9), 1000);
    ASSERT_TRUE(second.answered());
    // The adapter stamps frames in bus time, the trace in wall-clock time: node 5's answer gives
    // the difference, and with it the answer taken must be the second one node 9 sent.
    const Exchange reference = client.exchange(requests::readUid(5), 1000);
    ASSERT_TRUE(reference.answered());
    const std::vector<std::uint64_t> answers = tracedStamps(offset, "589#4B1710");
    const std::vector<std::uint64_t> references = tracedStamps(offset, "585#43002A01");
    ASSERT_EQ(answers.size(), 2u);
    ASSERT_EQ(references.size(), 1u);
    EXPECT_EQ(second.answer.timestampMicros() + (references[0] - reference.answer.timestampMicros()), answers[1]);
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
    client.exchange(CanFrame{.length = 2, .data = {0x82, 0}}, 0); // NMT: nothing answers it
    ASSERT_TRUE(traced(offset, "705#00"));
    ASSERT_TRUE(traced(offset, "709#00"));
    client.drainReceiveQueue();
    client.readFrame(frame);
    EXPECT_EQ(frame.identifier, 0u);
}

// The probes go out back to back, so node 9's answer, 60 ms after its probe, still comes while
// the scan listens; node 5's comes first and is told first. Answers to another object, or of
// another node's identifier, find nobody.
TEST_F(CanOpenClientTest, ScanHearsEveryAnswerWhileItsProbesAreOnTheBus)
{
    std::vector<std::int32_t> told;
    const NodeScan scan = scanNodes(client, [&told](std::int32_t node) { told.push_back(node); });
    EXPECT_EQ(scan.nodes, (std::vector<std::int32_t>{5, 9}));
    EXPECT_EQ(told, (std::vector<std::int32_t>{5, 9}));
    EXPECT_TRUE(scan.conflicts.empty());
    EXPECT_TRUE(scan.complete());
}

// A node that answers its UID is of the family, also when its answer comes only while the UID
// is asked again (node 9 answers 60 ms late); one that answers no identity request at all is
// neither of the family nor another device: nothing is known of it.
TEST_F(CanOpenClientTest, IdentityOnlyFromAnswers)
{
    const NodeIdentity sensor = identifyNode(client, 5);
    EXPECT_TRUE(sensor.answered && sensor.family);
    EXPECT_EQ(sensor.summary(), "UID 0x06102200");
    EXPECT_EQ(identifyNode(client, 9).summary(), "UID 0x12345678");
    const NodeIdentity silent = identifyNode(client, 77);
    EXPECT_FALSE(silent.answered || silent.family || silent.deviceType || silent.deviceName);
    EXPECT_EQ(silent.summary(), "no answer to the identity requests");
    EXPECT_TRUE(silent.refused.empty());
    EXPECT_EQ(visibleText({'I', 'O', 0x01, 0xE4, '\\', 0, 0}), "IO\\x01\\xE4\\");
}

// The longest a frame can take decides how long the scan listens after its probes.
TEST(NodeScan, WorstCaseFrameBits)
{
    struct Row {
        std::uint8_t type;
        std::uint8_t length;
        std::uint32_t bits;
    };
    for (const Row& row : {Row{0, 8, 135}, Row{0, 0, 55}, Row{pcan::messageExtended, 8, 160}, Row{pcan::messageExtended, 0, 80},
                           Row{pcan::messageRtr, 8, 55}, Row{0, 15, 135}}) {
        SCOPED_TRACE(testing::Message() << int(row.type) << " " << int(row.length));
        EXPECT_EQ(worstCaseFrameBits(CanFrame{.messageType = row.type, .length = row.length}), row.bits);
    }
}

// Transfers of any length, frame by frame against the simulated sensor: a text goes up in
// toggled segments; one longer than the caller takes is aborted after the initiate; a text
// longer than the object holds is refused by the server; an empty text goes as one segment.
TEST_F(CanOpenClientTest, SegmentedTransfers)
{
    std::uintmax_t offset = traceSize();
    SdoResult name = sdoUpload(client, 5, SdoObject{0x1008, 0}, 100);
    ASSERT_TRUE(name.uploaded()) << name.failure();
    EXPECT_TRUE(name.segmented);
    EXPECT_EQ(std::string(name.data.begin(), name.data.end()), "VS-7 sensor");
    EXPECT_EQ(tracedFrames(offset),
              (std::vector<std::string>{"605#4008100000000000", "585#410810000B000000", "605#6000000000000000",
                                        "585#0056532D37207365", "605#7000000000000000", "585#176E736F72000000"}));

    offset = traceSize();
    name = sdoUpload(client, 5, SdoObject{0x1008, 0}, 100, 8);
    EXPECT_EQ(name.kind, SdoResult::Kind::Unexpected);
    EXPECT_TRUE(name.data.empty());
    EXPECT_EQ(name.failure(), "answered 0x1008:00 with a value of 11 bytes, more than the 8 bytes taken; the transfer was "
                              "aborted with 0x05040005");
    EXPECT_TRUE(traced(offset, "605#8008100005000405"));

    const std::vector<std::uint8_t> tooLong(65, 'x');
    EXPECT_EQ(sdoDownload(client, 5, SdoObject{0x2F00, 0}, tooLong, 100).abortCode, 0x06070012u);

    struct Row {
        std::string text;
        std::vector<std::string> segments; // the client's frames after the initiate
    };
    const Row rows[] = {
        {"", {"605#0F00000000000000"}},
        {"abc", {}}, // expedited
        {"plant B, hall 3", {"605#00706C616E742042", "605#102C2068616C6C20", "605#0D33000000000000"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        offset = traceSize();
        const std::vector<std::uint8_t> bytes(row.text.begin(), row.text.end());
        const SdoResult written = sdoDownload(client, 5, SdoObject{0x2F00, 0}, bytes, 100);
        ASSERT_TRUE(written.confirmed()) << written.failure();
        std::vector<std::string> sent;
        for (const std::string& frame : tracedFrames(offset))
            if (frame.rfind("605#", 0) == 0)
                sent.push_back(frame);
        ASSERT_FALSE(sent.empty());
        sent.erase(sent.begin());
        EXPECT_EQ(sent, row.segments);
        EXPECT_EQ(sdoUpload(client, 5, SdoObject{0x2F00, 0}, 100).data, bytes);
    }
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
