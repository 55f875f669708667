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

pcan::Message message(std::uint32_t id, std::uint8_t type, std::initializer_list<std::uint8_t> bytes)
{
    pcan::Message m{id, type, 0, {}};
    for (std::uint8_t byte : bytes)
        m.data[m.length++] = byte;
    return m;
}

class SocketCanEntryPoints : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(socketCanLibrary(), nullptr) << ::dlerror();
        ASSERT_GE(bus.library(), 0);
        ::setenv("VELDRIS_SOCKETCAN", bus.entry().c_str(), 1);
        ASSERT_EQ(CAN(Initialize)(channel, pcan::baud125K, 0, 0, 0), pcan::ok);
    }
    void TearDown() override
    {
        CAN(Uninitialize)(pcan::noneBus);
        ::unsetenv("VELDRIS_SOCKETCAN");
    }

    SocketPair bus;
};

} // namespace

TEST_F(SocketCanEntryPoints, WrittenMessagesArriveAsCanFrames)
{
    struct Case {
        const char* kind;
        pcan::Message message;
        can_frame frame;
    } cases[] = {
        {"SDO request", message(0x605, pcan::messageStandard, {0x40, 0x17, 0x10, 0, 0, 0, 0, 0}),
         canFrame(0x605, {0x40, 0x17, 0x10, 0, 0, 0, 0, 0})},
        {"NMT, two bytes", message(0x000, pcan::messageStandard, {0x01, 0x05}), canFrame(0x000, {0x01, 0x05})},
        {"no data", message(0x080, pcan::messageStandard, {}), canFrame(0x080, {})},
        {"remote request", message(0x705, pcan::messageRtr, {0}), canFrame(0x705 | CAN_RTR_FLAG, {0})},
        {"extended", message(0x18FF0005, pcan::messageExtended, {1, 2}), canFrame(0x18FF0005 | CAN_EFF_FLAG, {1, 2})},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ASSERT_EQ(CAN(Write)(channel, &c.message), pcan::ok);
        can_frame got{};
        ASSERT_TRUE(bus.receive(got));
        EXPECT_EQ(std::memcmp(&got, &c.frame, sizeof got), 0) << std::hex << got.can_id << " len " << int(got.len);
    }
    pcan::Message tooLong = message(0x605, pcan::messageStandard, {});
    tooLong.length = 9;
    EXPECT_EQ(CAN(Write)(channel, &tooLong), pcan::errorIllData);
    can_frame none{};
    EXPECT_FALSE(bus.receive(none));
}

TEST_F(SocketCanEntryPoints, PeerFramesAreReadWithTheirReceiveTime)
{
    struct Case {
        const char* kind;
        can_frame frame;
        pcan::Message message;
    } cases[] = {
        {"SDO answer", canFrame(0x585, {0x4B, 0x17, 0x10, 0, 0xC8, 0, 0, 0}),
         message(0x585, pcan::messageStandard, {0x4B, 0x17, 0x10, 0, 0xC8, 0, 0, 0})},
        {"boot-up", canFrame(0x705, {0}), message(0x705, pcan::messageStandard, {0})},
        {"remote request", canFrame(0x705 | CAN_RTR_FLAG, {}), message(0x705, pcan::messageRtr, {})},
        {"extended", canFrame(0x1ABCDEF0 | CAN_EFF_FLAG, {9}), message(0x1ABCDEF0, pcan::messageExtended, {9})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::uint64_t before = epochMicros();
        ASSERT_TRUE(bus.send(c.frame));
        const std::uint64_t after = epochMicros();
        pcan::Message got{};
        pcan::Timestamp stamp{};
        ASSERT_EQ(CAN(Read)(channel, &got, &stamp), pcan::ok);
        EXPECT_EQ(got.id, c.message.id);
        EXPECT_EQ(got.messageType, c.message.messageType);
        EXPECT_EQ(got.length, c.message.length);
        EXPECT_EQ(std::memcmp(got.data, c.message.data, got.length), 0);
        EXPECT_LT(stamp.micros, 1000);
        const std::uint64_t millis = stamp.millis + (std::uint64_t{stamp.millisOverflow} << 32);
        const std::uint64_t micros = stamp.micros + 1000 * millis;
        EXPECT_GE(micros, before);
        EXPECT_LE(micros, after);
    }
    pcan::Message withoutStamp{};
    ASSERT_TRUE(bus.send(canFrame(0x185, {1})));
    EXPECT_EQ(CAN(Read)(channel, &withoutStamp, nullptr), pcan::ok);
    EXPECT_EQ(withoutStamp.id, 0x185u);
}

TEST_F(SocketCanEntryPoints, EmptyQueueLeavesTheRecordsUntouched)
{
    pcan::Message got;
    pcan::Timestamp stamp;
    std::memset(&got, 0xAA, sizeof got);
    std::memset(&stamp, 0xAA, sizeof stamp);
    EXPECT_EQ(CAN(Read)(channel, &got, &stamp), pcan::errorQrcvEmpty);
    const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(&got);
    for (std::size_t i = 0; i < sizeof got; ++i)
        EXPECT_EQ(bytes[i], 0xAA) << i;
    EXPECT_EQ(stamp.millis, 0xAAAAAAAAu);
    EXPECT_EQ(CAN(Read)(channel, nullptr, &stamp), pcan::errorIllParamVal);
}

TEST_F(SocketCanEntryPoints, ResetEmptiesTheReceiveQueue)
{
    for (canid_t id : {0x185u, 0x705u, 0x585u})
        ASSERT_TRUE(bus.send(canFrame(id, {1})));
    EXPECT_EQ(CAN(Reset)(channel), pcan::ok);
    pcan::Message got{};
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorQrcvEmpty);
    EXPECT_EQ(CAN(Reset)(channel), pcan::ok); // on an empty queue it does not wait
}

TEST_F(SocketCanEntryPoints, ReceiveEventIsReadableWhileFramesWait)
{
    int fd = -1;
    ASSERT_EQ(CAN(GetValue)(channel, pcan::receiveEvent, &fd, sizeof fd), pcan::ok);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(readable(fd));
    ASSERT_TRUE(bus.send(canFrame(0x185, {1})));
    ASSERT_TRUE(bus.send(canFrame(0x186, {2})));
    EXPECT_TRUE(readable(fd));
    pcan::Message got{};
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
    EXPECT_TRUE(readable(fd)); // the second frame still waits
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
    EXPECT_FALSE(readable(fd));
    // An error frame wakes the reader too, and is taken without being delivered.
    ASSERT_TRUE(bus.send(errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_TX_WARNING)));
    EXPECT_TRUE(readable(fd));
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorQrcvEmpty);
    EXPECT_FALSE(readable(fd));

    std::uint64_t handle = 3;
    EXPECT_EQ(CAN(SetValue)(channel, pcan::receiveEvent, &handle, sizeof handle), pcan::errorIllOperation);
}

TEST_F(SocketCanEntryPoints, ErrorFramesSetTheChannelStatus)
{
    struct Case {
        const char* event;
        can_frame frame;
        pcan::Status status;
    } cases[] = {
        {"warning level", errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_RX_WARNING), pcan::errorBusHeavy},
        {"error passive", errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_TX_PASSIVE), pcan::errorBusPassive},
        {"bus-off", errorFrame(CAN_ERR_BUSOFF), pcan::errorBusOff},
        {"restarted", errorFrame(CAN_ERR_RESTARTED), pcan::ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        ASSERT_TRUE(bus.send(c.frame));
        pcan::Message got{};
        EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorQrcvEmpty);
        EXPECT_EQ(CAN(GetStatus)(channel), c.status);
    }
}

TEST_F(SocketCanEntryPoints, BusOffRefusesWritesUntilTheControllerRestarts)
{
    ASSERT_TRUE(bus.send(errorFrame(CAN_ERR_BUSOFF)));
    ASSERT_TRUE(bus.send(canFrame(0x185, {7}))); // a frame behind the error frame is still delivered
    pcan::Message got{};
    ASSERT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
    EXPECT_EQ(got.id, 0x185u);
    pcan::Message request = message(0x605, pcan::messageStandard, {0x40, 0x17, 0x10, 0});
    EXPECT_EQ(CAN(Write)(channel, &request), pcan::errorBusOff);
    can_frame sent{};
    EXPECT_FALSE(bus.receive(sent));

    ASSERT_TRUE(bus.send(errorFrame(CAN_ERR_RESTARTED)));
    EXPECT_EQ(CAN(Reset)(channel), pcan::ok); // the reset reads the restart too
    EXPECT_EQ(CAN(GetStatus)(channel), pcan::ok);
    EXPECT_EQ(CAN(Write)(channel, &request), pcan::ok);
    EXPECT_TRUE(bus.receive(sent));
}

// The peer reads nothing: its queue fills, and the write that finds it full is refused as a
// full transmit queue instead of blocking.
TEST_F(SocketCanEntryPoints, FullTransmitQueueIsRefusedWithoutWaiting)
{
    pcan::Message request = message(0x605, pcan::messageStandard, {0x40, 0x17, 0x10, 0});
    pcan::Status status = pcan::ok;
    for (int sent = 0; sent < 100000 && status == pcan::ok; ++sent)
        status = CAN(Write)(channel, &request);
    EXPECT_EQ(status, pcan::errorQXmtFull);
}

// The far end closed, as an unplugged adapter's interface goes: the socket stays readable
// (end of file), so reads must not answer "empty" to a reader that polls it before each read.
TEST_F(SocketCanEntryPoints, ClosedPeerIsAGoneAdapter)
{
    bus.closePeer();
    pcan::Message got{};
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorIllHw);
    pcan::Message request = message(0x605, pcan::messageStandard, {});
    EXPECT_EQ(CAN(Write)(channel, &request), pcan::errorIllHw);
    char text[256];
    ASSERT_EQ(CAN(GetErrorText)(pcan::errorIllHw, 0x09, text), pcan::ok);
    EXPECT_EQ(std::string(text), bus.entry() + " is gone: the CAN adapter was unplugged or its driver unloaded.");
    EXPECT_EQ(CAN(Reset)(channel), pcan::ok); // ends instead of reading the end of file forever
}

TEST_F(SocketCanEntryPoints, FilterPassesOnlyItsRanges)
{
    ASSERT_EQ(CAN(FilterMessages)(channel, 0x580, 0x5FF, pcan::modeStandard), pcan::ok);
    for (canid_t id : {0x185u, 0x585u, 0x705u})
        ASSERT_TRUE(bus.send(canFrame(id, {1})));
    pcan::Message got{};
    ASSERT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
    EXPECT_EQ(got.id, 0x585u);
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorQrcvEmpty);
    EXPECT_EQ(CAN(FilterMessages)(channel, 0x600, 0x500, pcan::modeStandard), pcan::errorIllParamVal);

    std::uint32_t open = pcan::filterOpen;
    ASSERT_EQ(CAN(SetValue)(channel, pcan::messageFilter, &open, sizeof open), pcan::ok);
    ASSERT_TRUE(bus.send(canFrame(0x185, {1})));
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::ok);
}

// Every listed channel is reported, so that CAN_Initialize can bring up a down interface or
// name a missing one; the condition tells which exist and are up.
TEST_F(SocketCanEntryPoints, AttachedChannelsAreTheListedOnesWithTheirCondition)
{
    SocketPair second;
    const std::string list = bus.entry() + ",nosuchcan7," + second.entry() + ",fd:999";
    ::setenv("VELDRIS_SOCKETCAN", list.c_str(), 1);
    std::uint32_t count = 0;
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannelsCount, &count, sizeof count), pcan::ok);
    ASSERT_EQ(count, 4u);
    pcan::ChannelInformation records[4]{};
    EXPECT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, records, sizeof records[0]), pcan::errorIllParamVal);
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, records, sizeof records), pcan::ok);
    struct Expected {
        pcan::Handle handle;
        std::string name;
        std::uint32_t condition;
    } expected[] = {{0x51, bus.entry(), pcan::channelOccupied},
                    {0x52, "nosuchcan7", pcan::channelUnavailable},
                    {0x53, second.entry(), pcan::channelAvailable},
                    {0x54, "fd:999", pcan::channelUnavailable}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(records[i].channelHandle, expected[i].handle);
        EXPECT_EQ(records[i].deviceType, pcan::deviceTypeUsb);
        EXPECT_EQ(records[i].deviceName, expected[i].name);
        EXPECT_EQ(records[i].channelCondition, expected[i].condition);
    }
    pcan::Handle found = 0;
    char search[] = "devicetype=pcan_usb";
    EXPECT_EQ(CAN(LookUpChannel)(search, &found), pcan::ok);
    EXPECT_EQ(found, 0x51);
}

TEST_F(SocketCanEntryPoints, UnlistedHandlesAreRefusedWithoutCrash)
{
    pcan::Message m{};
    pcan::Timestamp t{};
    std::uint32_t value = 0;
    for (pcan::Handle handle : {pcan::Handle{0x52}, pcan::Handle{0x1234}, pcan::Handle{0x41}}) {
        SCOPED_TRACE(handle);
        EXPECT_NE(CAN(Initialize)(handle, pcan::baud125K, 0, 0, 0), pcan::ok);
        EXPECT_NE(CAN(Read)(handle, &m, &t), pcan::ok);
        EXPECT_NE(CAN(Write)(handle, &m), pcan::ok);
        EXPECT_NE(CAN(Reset)(handle), pcan::ok);
        EXPECT_NE(CAN(GetStatus)(handle), pcan::ok);
        EXPECT_NE(CAN(GetValue)(handle, pcan::receiveEvent, &value, sizeof value), pcan::ok);
        EXPECT_NE(CAN(SetValue)(handle, pcan::messageFilter, &value, sizeof value), pcan::ok);
        EXPECT_NE(CAN(FilterMessages)(handle, 0, 0x7FF, pcan::modeStandard), pcan::ok);
        EXPECT_NE(CAN(Uninitialize)(handle), pcan::ok);
    }
    EXPECT_NE(CAN(Write)(channel, nullptr), pcan::ok);
    EXPECT_NE(CAN(GetValue)(channel, pcan::receiveEvent, nullptr, 4), pcan::ok);
    EXPECT_NE(CAN(GetErrorText)(pcan::ok, 0x09, nullptr), pcan::ok);
    EXPECT_NE(CAN(LookUpChannel)(nullptr, nullptr), pcan::ok);
}

TEST_F(SocketCanEntryPoints, ClassicCanOnlyAndOneInitialisation)
{
    char bitrate[] = "f_clock=80000000,nom_brp=10,nom_tseg1=5,nom_tseg2=2,nom_sjw=1";
    pcan::MessageFD fd{};
    std::uint64_t stamp = 0;
    EXPECT_EQ(CAN(InitializeFD)(channel, bitrate), pcan::errorIllOperation);
    EXPECT_EQ(CAN(ReadFD)(channel, &fd, &stamp), pcan::errorIllOperation);
    EXPECT_EQ(CAN(WriteFD)(channel, &fd), pcan::errorIllOperation);
    EXPECT_EQ(CAN(Initialize)(channel, pcan::baud125K, 0, 0, 0), pcan::errorInitialize);
    ASSERT_EQ(CAN(Uninitialize)(channel), pcan::ok);
    pcan::Message got{};
    EXPECT_EQ(CAN(Read)(channel, &got, nullptr), pcan::errorInitialize);
    // The library closed its own descriptor only: the test's end opens again.
    EXPECT_EQ(CAN(Initialize)(channel, pcan::baud500K, 0, 0, 0), pcan::ok);
}

TEST_F(SocketCanEntryPoints, ErrorTextTellsWhatIsWrongWithTheInterface)
{
    ::setenv("VELDRIS_SOCKETCAN", "nosuchcan7", 1);
    CAN(Uninitialize)(pcan::noneBus);
    const pcan::Status status = CAN(Initialize)(channel, pcan::baud125K, 0, 0, 0);
    ASSERT_EQ(status, pcan::errorIllHw);
    char text[256];
    ASSERT_EQ(CAN(GetErrorText)(status, 0x09, text), pcan::ok);
    EXPECT_STREQ(text, "There is no network interface nosuchcan7. Connect the CAN adapter, or name its interface "
                       "in VELDRIS_SOCKETCAN (ip -details link show type can lists them).");
    ASSERT_EQ(CAN(GetErrorText)(pcan::errorQrcvEmpty, 0x09, text), pcan::ok);
    EXPECT_STREQ(text, "Receive queue is empty");
    std::uint32_t count = 7;
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannelsCount, &count, sizeof count), pcan::ok);
    EXPECT_EQ(count, 1u); // listed, and unavailable
}
