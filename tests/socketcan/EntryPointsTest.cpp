// libpcanbasic-socketcan.so through its C entry points, its channel 0x51 on a socket pair
// ("fd:N" in VELDRIS_SOCKETCAN) whose other end the test drives as the bus: frames both ways,
// the receive queue and its event, error frames and the statuses they give.

#include "SocketCanLibrary.h"
#include "SocketPair.h"

#include <gtest/gtest.h>

#include <linux/can/error.h>
#include <poll.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr pcan::Handle channel = pcan::usbBus1;

bool readable(int fd)
{
    pollfd event{fd, POLLIN, 0};
    return ::poll(&event, 1, 0) == 1;
}

can_frame errorFrame(canid_t errorClass, std::uint8_t controller = 0)
{
    can_frame frame{};
    frame.can_id = CAN_ERR_FLAG | errorClass;
    frame.len = CAN_ERR_DLC;
    frame.data[1] = controller;
    return frame;
}

pcan::Message sdoRequest{0x605, pcan::messageStandard, 8, {0x40, 0x17, 0x10, 0, 0, 0, 0, 0}};

class SocketCanEntryPoints : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(socketCanLibrary(), nullptr) << ::dlerror();
        ::setenv("VELDRIS_SOCKETCAN", bus.entry().c_str(), 1);
        ASSERT_EQ(CAN(Initialize)(channel, pcan::baud125K, 0, 0, 0), pcan::ok);
    }
    void TearDown() override { CAN(Uninitialize)(pcan::noneBus); }

    SocketPair bus;
    pcan::Message got{};
};

} // namespace

TEST_F(SocketCanEntryPoints, MessagesAndFramesConvertBothWays)
{
    struct Case {
        const char* kind;
        pcan::Message message;
        can_frame frame;
    } cases[] = {
        {"SDO request", sdoRequest, canFrame(0x605, {0x40, 0x17, 0x10, 0, 0, 0, 0, 0})},
        {"remote request", {0x705, pcan::messageRtr, 1, {}}, canFrame(0x705 | CAN_RTR_FLAG, {0})},
        {"extended", {0x18FF0005, pcan::messageExtended, 2, {1, 2}}, canFrame(0x18FF0005 | CAN_EFF_FLAG, {1, 2})},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ASSERT_EQ(CAN(Write)(channel, &c.message), pcan::ok);
        can_frame sent{};
        ASSERT_TRUE(bus.receive(sent));
        EXPECT_EQ(std::memcmp(&sent, &c.frame, sizeof sent), 0) << std::hex << sent.can_id << " len " << int(sent.len);

        const std::uint64_t before = epochMicros();
        ASSERT_TRUE(bus.send(c.frame));
        const std::uint64_t after = epochMicros();
        pcan::Timestamp stamp{};
        ASSERT_EQ(CAN(Read)(channel, &got, &stamp), pcan::ok);
        EXPECT_EQ(got.id, c.message.id);
        EXPECT_EQ(got.messageType, c.message.messageType);
        EXPECT_EQ(got.length, c.message.length);
        EXPECT_EQ(std::memcmp(got.data, c.message.data, got.length), 0);
        EXPECT_LT(stamp.micros, 1000);
        const std::uint64_t millis = stamp.millis + (std::uint64_t{stamp.millisOverflow} << 32);
        EXPECT_GE(stamp.micros + 1000 * millis, before);
        EXPECT_LE(stamp.micros + 1000 * millis, after);
    }
    pcan::Message tooLong = sdoRequest;
    tooLong.length = 9;
    EXPECT_EQ(CAN(Write)(channel, &tooLong), pcan::errorIllData);
    can_frame none{};
    EXPECT_FALSE(bus.receive(none));
}

TEST_F(SocketCanEntryPoints, EmptyQueueLeavesTheRecordsUntouched)
{
    pcan::Timestamp stamp;
    std::memset(&got, 0xAA, sizeof got);
    std::memset(&stamp, 0xAA, sizeof stamp);
    EXPECT_EQ(CAN(Read)(channel, &got, &stamp), pcan::errorQrcvEmpty);
    const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(&got);
    for (std::size_t i = 0; i < sizeof got; ++i)
        EXPECT_EQ(bytes[i], 0xAA) << i;
    EXPECT_EQ(stamp.millis, 0xAAAAAAAAu);
}

// The event is what the program's reader thread waits on: readable while a frame (or an error
// frame, which is taken without being delivered) waits, and not after CAN_Reset drained them.
TEST_F(SocketCanEntryPoints, ReceiveEventIsReadableExactlyWhileFramesWait)
{
    int fd = -1;
    ASSERT_EQ(CAN(GetValue)(channel, pcan::receiveEvent, &fd, sizeof fd), pcan::ok);
    EXPECT_FALSE(readable(fd));
    ASSERT_TRUE(bus.send(canFrame(0x185, {1})));
    ASSERT_TRUE(bus.send(canFrame(0x186, {2})));
    EXPECT_TRUE(readable(fd));
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
    EXPECT_TRUE(readable(fd)); // the second frame still waits
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
    EXPECT_FALSE(readable(fd));
    ASSERT_TRUE(bus.send(errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_TX_WARNING)));
    EXPECT_TRUE(readable(fd));
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorQrcvEmpty);
    EXPECT_FALSE(readable(fd));

    for (canid_t id : {0x185u, 0x705u, 0x585u})
        ASSERT_TRUE(bus.send(canFrame(id, {1})));
    EXPECT_EQ(CAN(Reset)(channel), pcan::ok);
    EXPECT_FALSE(readable(fd));
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorQrcvEmpty);
}

TEST_F(SocketCanEntryPoints, ErrorFramesSetTheStatusAndBusOffRefusesWrites)
{
    struct Case {
        const char* event;
        can_frame frame;
        pcan::Status status;
    } cases[] = {
        {"warning level", errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_RX_WARNING), pcan::errorBusHeavy},
        {"error passive", errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_TX_PASSIVE), pcan::errorBusPassive},
        {"bus-off", errorFrame(CAN_ERR_BUSOFF), pcan::errorBusOff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        ASSERT_TRUE(bus.send(c.frame));
        EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorQrcvEmpty);
        EXPECT_EQ(CAN(GetStatus)(channel), c.status);
    }
    ASSERT_TRUE(bus.send(canFrame(0x185, {7}))); // a frame heard while bus-off is still delivered
    ASSERT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
    EXPECT_EQ(got.id, 0x185u);
    EXPECT_EQ(CAN(Write)(channel, &sdoRequest), pcan::errorBusOff);
    can_frame sent{};
    EXPECT_FALSE(bus.receive(sent));

    ASSERT_TRUE(bus.send(errorFrame(CAN_ERR_RESTARTED)));
    EXPECT_EQ(CAN(Reset)(channel), pcan::ok); // the reset reads the restart too
    EXPECT_EQ(CAN(GetStatus)(channel), pcan::ok);
    EXPECT_EQ(CAN(Write)(channel, &sdoRequest), pcan::ok);
    EXPECT_TRUE(bus.receive(sent));
}

// The peer reads nothing: the write that finds its queue full is refused instead of blocking
// the program's sending thread.
TEST_F(SocketCanEntryPoints, FullTransmitQueueIsRefusedWithoutWaiting)
{
    pcan::Status status = pcan::ok;
    for (int sent = 0; sent < 100000 && status == pcan::ok; ++sent)
        status = CAN(Write)(channel, &sdoRequest);
    EXPECT_EQ(status, pcan::errorQXmtFull);
}

// The far end closed, as an unplugged adapter's interface goes: the socket stays readable
// (end of file), so reads must not answer "empty" to a reader that polls it before each read.
TEST_F(SocketCanEntryPoints, ClosedPeerIsAGoneAdapter)
{
    bus.closePeer();
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorIllHw);
    EXPECT_EQ(CAN(Write)(channel, &sdoRequest), pcan::errorIllHw);
    char text[256];
    ASSERT_EQ(CAN(GetErrorText)(pcan::errorIllHw, 0x09, text), pcan::ok);
    EXPECT_EQ(std::string(text), bus.entry() + " is gone: the CAN adapter was unplugged or its driver unloaded.");
    EXPECT_EQ(CAN(Reset)(channel), pcan::ok); // ends instead of reading the end of file forever
}

// Every listed channel is reported, so that CAN_Initialize can bring up a down interface or
// name a missing one; the condition tells which exist and are up.
TEST_F(SocketCanEntryPoints, AttachedChannelsAreTheListedOnesWithTheirCondition)
{
    SocketPair second;
    const std::string list = bus.entry() + ",nosuchcan7," + second.entry();
    ::setenv("VELDRIS_SOCKETCAN", list.c_str(), 1);
    std::uint32_t count = 0;
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannelsCount, &count, sizeof count), pcan::ok);
    ASSERT_EQ(count, 3u);
    pcan::ChannelInformation records[3]{};
    // A buffer too small for every record is refused, not written past.
    EXPECT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, records, sizeof records[0]), pcan::errorIllParamVal);
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, records, sizeof records), pcan::ok);
    struct Expected {
        pcan::Handle handle;
        std::string name;
        std::uint32_t condition;
    } expected[] = {{0x51, bus.entry(), pcan::channelOccupied},
                    {0x52, "nosuchcan7", pcan::channelUnavailable},
                    {0x53, second.entry(), pcan::channelAvailable}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(records[i].channelHandle, expected[i].handle);
        EXPECT_EQ(records[i].deviceType, pcan::deviceTypeUsb);
        EXPECT_EQ(records[i].deviceName, expected[i].name);
        EXPECT_EQ(records[i].channelCondition, expected[i].condition);
    }
    EXPECT_NE(CAN(Read)(0x1234, &got, nullptr), pcan::ok); // an unlisted handle
}

// A second CAN_Initialize is refused; after CAN_Uninitialize the channel opens again, as the
// library closed only its own copy of the descriptor it was given.
TEST_F(SocketCanEntryPoints, OneInitialisationAtATime)
{
    EXPECT_EQ(CAN(Initialize)(channel, pcan::baud125K, 0, 0, 0), pcan::errorInitialize);
    ASSERT_EQ(CAN(Uninitialize)(channel), pcan::ok);
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorInitialize);
    EXPECT_EQ(CAN(Initialize)(channel, pcan::baud500K, 0, 0, 0), pcan::ok);
}
