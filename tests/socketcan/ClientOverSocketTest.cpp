// The program's CANopen client, through its binding and driver, over libpcanbasic-socketcan.so
// on a socket pair whose other end a simulated sensor (node 5 of the default scenario) answers
// from its own thread: scan, SDO read and write, NMT, the bus trace and a bus-off. Events are
// ordered by the sensor's condition variable and by the socket, never by sleeping.

#include "SensorPeer.h"
#include "SocketCanTests.h"
#include "SocketPair.h"
#include "sim/SensorHarness.h"

#include "can/AdapterNotifier.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"

#include <gtest/gtest.h>

#include <linux/can/error.h>

#include <fstream>
#include <sstream>

using namespace veldris;

namespace {

class ClientOverSocket : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("VELDRIS_SOCKETCAN", bus.entry().c_str(), 1);
        client = std::make_unique<CanOpenClient>();
        ASSERT_TRUE(client->connectAdapter(0, 3)); // 125 kbit/s
    }
    void TearDown() override
    {
        client.reset(); // the library lets go of its descriptor before the sensor stops
        sensor.reset();
        ::unsetenv("VELDRIS_SOCKETCAN");
    }

    SocketPair bus;
    std::unique_ptr<SensorPeer> sensor = std::make_unique<SensorPeer>(bus.peer(), defaultSensor(5));
    std::unique_ptr<CanOpenClient> client;
};

std::string traceText()
{
    std::ifstream in(socketCanTracePath());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST_F(ClientOverSocket, ScanFindsTheSensorBehindTheSocket)
{
    EXPECT_EQ(listNodes(*client), (std::vector<std::int32_t>{5}));
}

TEST_F(ClientOverSocket, SdoReadAndWriteReachTheSensor)
{
    const std::uint64_t requestedAt = epochMicros();
    const Exchange read = client->exchange(requests::readHeartbeat(5), 1000);
    ASSERT_TRUE(read.answered());
    EXPECT_EQ(read.answer.identifier, 0x585u);
    EXPECT_EQ(read.answer.data[0], 0x4B);
    EXPECT_EQ(read.answer.value(), 200u);
    // Stamped when the sensor's answer entered the socket, on the epoch's scale.
    EXPECT_GE(read.answer.timestampMicros(), requestedAt);
    EXPECT_LE(read.answer.timestampMicros(), epochMicros());

    const Exchange write = client->exchange(requests::writeHeartbeat(5, 500), 1000);
    ASSERT_TRUE(write.answered());
    EXPECT_EQ(write.answer.data[0], 0x60);
    EXPECT_EQ(client->exchange(requests::readHeartbeat(5), 1000).answer.value(), 500u);

    const Exchange missing = client->exchange(requests::sdoFrame(5, 0x40, 0x6000, 0), 1000);
    ASSERT_TRUE(missing.answered());
    EXPECT_EQ(missing.answer.data[0], 0x80); // abort: no such object
}

TEST_F(ClientOverSocket, NmtCommandsReachTheSensor)
{
    EXPECT_TRUE(nmtStartNode(*client, 5));
    sensor->waitUntil([](const sim::VirtualSensor& s) { return s.nmtState() == sim::NmtState::Operational; });
    EXPECT_TRUE(nmtEnterPreOperationalAll(*client));
    sensor->waitUntil([](const sim::VirtualSensor& s) { return s.nmtState() == sim::NmtState::PreOperational; });
}

TEST_F(ClientOverSocket, BusTraceHoldsBothDirections)
{
    ASSERT_TRUE(client->exchange(requests::readHeartbeat(5), 1000).answered());
    const std::string trace = traceText();
    EXPECT_NE(trace.find(" can0 605#4017100000000000"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" can0 585#4B171000C8000000"), std::string::npos) << trace;
}

// The controller went bus-off: the next request is refused by the library before it reaches
// the socket, and after the controller's restart requests go out again.
TEST_F(ClientOverSocket, BusOffRefusesRequestsUntilRestart)
{
    can_frame busOff{};
    busOff.can_id = CAN_ERR_FLAG | CAN_ERR_BUSOFF;
    busOff.len = CAN_ERR_DLC;
    ASSERT_TRUE(bus.send(busOff));
    const Exchange refused = client->exchange(requests::readHeartbeat(5), 1000);
    EXPECT_EQ(refused.status, ExchangeStatus::WriteRefused);
    EXPECT_EQ(refused.adapterStatus, pcan::errorBusOff);

    can_frame restarted = busOff;
    restarted.can_id = CAN_ERR_FLAG | CAN_ERR_RESTARTED;
    ASSERT_TRUE(bus.send(restarted));
    EXPECT_TRUE(client->exchange(requests::readHeartbeat(5), 1000).answered());
}

// An interface that is not there: the open fails, and the library's text, which says what to
// do, reaches the user (a box in the window, a line of the command-line tool).
TEST(ClientOverSocketCan, MissingInterfaceIsExplainedToTheUser)
{
    std::vector<std::string> notices;
    setAdapterNotifier([&](const std::string& caption, const std::string& text) { notices.push_back(caption + " " + text); });
    ::setenv("VELDRIS_SOCKETCAN", "nosuchcan7", 1);
    {
        CanOpenClient client;
        EXPECT_FALSE(client.connectAdapter(0, 3));
    }
    ::unsetenv("VELDRIS_SOCKETCAN");
    setAdapterNotifier(nullptr);
    EXPECT_EQ(notices, std::vector<std::string>{"Error! There is no network interface nosuchcan7. Connect the CAN adapter, "
                                                "or name its interface in VELDRIS_SOCKETCAN (ip -details link show type "
                                                "can lists them)."});
}
