// The parts of libpcanbasic-socketcan.so that need no socket: bit rates of BTR0/BTR1 codes,
// statuses of failed sends and of error frames, frame and time-stamp records, the channel list.

#include "socketcan/BtrBitrate.h"
#include "socketcan/BusState.h"
#include "socketcan/ChannelList.h"
#include "socketcan/ErrorText.h"
#include "socketcan/FrameConversion.h"
#include "socketcan/SendStatus.h"

#include <gtest/gtest.h>

#include <linux/can/error.h>
#include <linux/can/netlink.h>

#include <cerrno>
#include <cstring>

using namespace socketcan;

TEST(SocketCanParts, BtrCodesGiveTheirBitRates)
{
    struct Case {
        std::uint16_t code;
        std::uint32_t bitrate;
    } cases[] = {
        {pcan::baud1M, 1000000}, {pcan::baud800K, 800000}, {pcan::baud500K, 500000}, {pcan::baud250K, 250000},
        {pcan::baud125K, 125000}, {pcan::baud100K, 100000}, {pcan::baud50K, 50000},   {pcan::baud20K, 20000},
        {pcan::baud10K, 10000},   {pcan::baud5K, 5000},
        {0xC31C, 125000}, // a synchronisation jump width of 4 does not change the rate
        {0x0300, 666666}, // BTR1 0: prescaler 4, one quantum in each of the three segments
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(bitrateOfBtr0Btr1(c.code), c.bitrate);
    }
}

TEST(SocketCanParts, FailedSendsGiveTheClosestStatus)
{
    struct Case {
        int error;
        pcan::Status status;
        const char* message; // part of the kept message; nullptr: none
    } cases[] = {
        {0, pcan::ok, nullptr},
        {ENOBUFS, pcan::errorQXmtFull, nullptr},
        {EAGAIN, pcan::errorQXmtFull, nullptr},
        {ENETDOWN, pcan::errorIllOperation, "can1 is down. As root: ip link set can1 up"},
        {ENODEV, pcan::errorIllHw, "can1 is gone"},
        {ENXIO, pcan::errorIllHw, "can1 is gone"},
        {EINVAL, pcan::errorIllData, nullptr},
        {EMSGSIZE, pcan::errorIllData, nullptr},
        {EPIPE, pcan::errorIllHw, "can1 is gone"},
        {ENOTCONN, pcan::errorIllHw, "can1 is gone"},
        {EBADF, pcan::errorInitialize, nullptr},
        {EIO, pcan::errorUnknown, "Sending on can1 failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const Refusal refusal = refusalOfErrno(c.error, "can1");
        EXPECT_EQ(refusal.status, c.status);
        if (c.message) {
            EXPECT_NE(refusal.message.find(c.message), std::string::npos) << refusal.message;
        } else {
            EXPECT_EQ(refusal.message, "");
        }
    }
}

TEST(SocketCanParts, ErrorFramesChangeTheBusState)
{
    struct Case {
        canid_t errorClass;
        std::uint8_t controller; // data byte 1 of a CAN_ERR_CRTL frame
        pcan::Status before, after;
    } cases[] = {
        {CAN_ERR_BUSOFF, 0, pcan::ok, pcan::errorBusOff},
        {CAN_ERR_CRTL, CAN_ERR_CRTL_RX_PASSIVE, pcan::ok, pcan::errorBusPassive},
        {CAN_ERR_CRTL, CAN_ERR_CRTL_TX_PASSIVE, pcan::errorBusHeavy, pcan::errorBusPassive},
        {CAN_ERR_CRTL, CAN_ERR_CRTL_RX_WARNING, pcan::ok, pcan::errorBusHeavy},
        {CAN_ERR_CRTL, CAN_ERR_CRTL_TX_WARNING, pcan::ok, pcan::errorBusHeavy},
        {CAN_ERR_CRTL, CAN_ERR_CRTL_TX_PASSIVE | CAN_ERR_CRTL_TX_WARNING, pcan::ok, pcan::errorBusPassive},
        {CAN_ERR_CRTL, CAN_ERR_CRTL_ACTIVE, pcan::errorBusPassive, pcan::ok},
        {CAN_ERR_CRTL, CAN_ERR_CRTL_RX_OVERFLOW, pcan::errorBusHeavy, pcan::errorBusHeavy},
        {CAN_ERR_RESTARTED, 0, pcan::errorBusOff, pcan::ok},
        {CAN_ERR_RESTARTED | CAN_ERR_CRTL, CAN_ERR_CRTL_TX_WARNING, pcan::errorBusOff, pcan::errorBusHeavy},
        {CAN_ERR_LOSTARB, 0, pcan::errorBusPassive, pcan::errorBusPassive},
        {CAN_ERR_BUSOFF | CAN_ERR_RESTARTED, 0, pcan::ok, pcan::errorBusOff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.errorClass << " " << int(c.controller));
        can_frame frame{};
        frame.can_id = CAN_ERR_FLAG | c.errorClass;
        frame.len = CAN_ERR_DLC;
        frame.data[1] = c.controller;
        EXPECT_TRUE(isErrorFrame(frame));
        EXPECT_EQ(busStateAfter(frame, c.before), c.after);
    }
    can_frame data{};
    data.can_id = 0x185;
    EXPECT_FALSE(isErrorFrame(data));
}

TEST(SocketCanParts, ControllerStatesGiveTheBusState)
{
    struct Case {
        int state;
        pcan::Status status;
    } cases[] = {{CAN_STATE_ERROR_ACTIVE, pcan::ok},        {CAN_STATE_ERROR_WARNING, pcan::errorBusHeavy},
                 {CAN_STATE_ERROR_PASSIVE, pcan::errorBusPassive}, {CAN_STATE_BUS_OFF, pcan::errorBusOff},
                 {CAN_STATE_STOPPED, pcan::ok},             {-1, pcan::ok}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        EXPECT_EQ(busStateOfControllerState(c.state), c.status);
    }
}

TEST(SocketCanParts, MessagesThatNoClassicBusCarriesAreRefused)
{
    struct Case {
        const char* fault;
        pcan::Message message;
    } cases[] = {
        {"nine data bytes", {0x100, pcan::messageStandard, 9, {}}},
        {"standard identifier above 0x7FF", {0x800, pcan::messageStandard, 0, {}}},
        {"extended identifier above 29 bits", {0x20000000, pcan::messageExtended, 0, {}}},
        {"CAN FD message type", {0x100, pcan::messageFd, 8, {}}},
        {"status message type", {0x100, pcan::messageStatus, 8, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        can_frame frame{};
        EXPECT_FALSE(frameOf(c.message, frame));
    }
}

TEST(SocketCanParts, TimestampsSplitMillisecondsAndMicroseconds)
{
    struct Case {
        std::int64_t micros;
        pcan::Timestamp stamp;
    } cases[] = {
        {0, {0, 0, 0}},
        {999, {0, 0, 999}},
        {1'700'000'000'123'456, {static_cast<std::uint32_t>(1'700'000'000'123ull), 395, 456}},
        {(std::int64_t{1} << 32) * 1000 + 7, {0, 1, 7}},
        {-5, {0, 0, 0}}, // a clock before the epoch
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.micros);
        const pcan::Timestamp stamp = timestampOf(c.micros);
        EXPECT_EQ(stamp.millis, c.stamp.millis);
        EXPECT_EQ(stamp.millisOverflow, c.stamp.millisOverflow);
        EXPECT_EQ(stamp.micros, c.stamp.micros);
    }
}

TEST(SocketCanParts, ChannelListGivesHandlesInOrder)
{
    struct Case {
        const char* text;
        std::vector<std::string> names;
    } cases[] = {
        {nullptr, {"can0"}},
        {"", {"can0"}},
        {" , ", {"can0"}},
        {"can0,can1", {"can0", "can1"}},
        {" vcan0 , fd:7 ", {"vcan0", "fd:7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(unset)");
        const std::vector<ChannelEntry> entries = parseChannels(c.text);
        ASSERT_EQ(entries.size(), c.names.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].name, c.names[i]);
            EXPECT_EQ(entries[i].handle, pcan::usbBus1 + i);
        }
    }
    EXPECT_EQ(parseChannels("fd:7")[0].descriptor, 7);
    EXPECT_EQ(parseChannels("fd:x")[0].descriptor, -1);
    EXPECT_EQ(parseChannels("fd:")[0].descriptor, -1);
    EXPECT_EQ(parseChannels("can0")[0].descriptor, -1);
}

TEST(SocketCanParts, SixteenChannelsAtMost)
{
    std::string list;
    for (int i = 0; i < 17; ++i)
        list += "can" + std::to_string(i) + ",";
    const std::vector<ChannelEntry> entries = parseChannels(list.c_str());
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[7].handle, 0x58);
    EXPECT_EQ(entries[8].handle, 0x509);
    EXPECT_EQ(entries[15].handle, 0x510);
    EXPECT_EQ(handleAt(16), pcan::noneBus);
}

TEST(SocketCanParts, ErrorTextKeepsTheMessageOfItsStatusOnly)
{
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    ErrorText::refuse(pcan::errorIllOperation, std::string(300, 'm'));
    ASSERT_EQ(ErrorText::copy(pcan::errorIllOperation, buffer), pcan::ok);
    EXPECT_EQ(std::strlen(buffer), 255u);
    ASSERT_EQ(ErrorText::copy(pcan::errorQrcvEmpty, buffer), pcan::ok);
    EXPECT_STREQ(buffer, "Receive queue is empty");
    ErrorText::refuse(pcan::errorIllOperation); // a refusal without a message drops the kept one
    ASSERT_EQ(ErrorText::copy(pcan::errorIllOperation, buffer), pcan::ok);
    EXPECT_STREQ(buffer, "Invalid operation");
    EXPECT_EQ(ErrorText::copy(0x123456, buffer), pcan::errorIllParamVal);
    EXPECT_STREQ(buffer, "Undefined status 0x123456");
    EXPECT_EQ(ErrorText::copy(pcan::ok, nullptr), pcan::errorIllParamVal);
}
