// libpcanbasic-sim.so through its C entry points, loaded as the program loads an adapter library.

#include "can/PcanBasicTypes.h"
#include "common/SystemConstants.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <poll.h>

#include <cstdlib>

namespace {

void* library()
{
    static void* const module = ::dlopen(VELDRIS_SIM_LIBRARY, RTLD_NOW);
    return module;
}

// An entry point of the library, looked up by name as the program's binding does.
#define CAN(name) reinterpret_cast<CAN_##name##_t>(::dlsym(library(), "CAN_" #name))

pcan::Message sdo(unsigned node, std::uint8_t command, std::uint16_t index, std::uint8_t sub, std::uint32_t value = 0)
{
    const auto byte = [](std::uint32_t v, int shift) { return static_cast<std::uint8_t>(v >> shift); };
    return {0x600 + node,
            0,
            8,
            {command, byte(index, 0), byte(index, 8), sub, byte(value, 0), byte(value, 8), byte(value, 16), byte(value, 24)}};
}

// Writes the request, then reads frames, waiting on the receive event, until one with identifier
// `answerId` comes: true when its first data byte is `command`.
bool exchange(pcan::Message request, std::uint32_t answerId, std::uint8_t command)
{
    int fd = -1;
    pcan::Message answer{};
    pcan::Timestamp stamp{};
    if (CAN(GetValue)(pcan::usbBus1, pcan::receiveEvent, &fd, sizeof fd) != pcan::ok
        || CAN(Write)(pcan::usbBus1, &request) != pcan::ok)
        return false;
    for (pollfd event{fd, POLLIN, 0}; ::poll(&event, 1, 2000) == 1;)
        while (CAN(Read)(pcan::usbBus1, &answer, &stamp) == pcan::ok)
            if (answer.id == answerId)
                return answer.data[0] == command;
    return false;
}

class PcanBasicApi : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(library(), nullptr) << ::dlerror(); }
    void TearDown() override { CAN(Uninitialize)(pcan::noneBus); }
};

} // namespace

// One attached PCAN-USB channel, to be initialised once at a known bit rate.
TEST_F(PcanBasicApi, OneUsbChannelInitialisedAtAKnownBitRate)
{
    std::uint32_t count = 0;
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannelsCount, &count, sizeof count), pcan::ok);
    EXPECT_EQ(count, 1u);
    pcan::ChannelInformation record{};
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, &record, sizeof record), pcan::ok);
    EXPECT_EQ(record.channelHandle, pcan::usbBus1);
    EXPECT_EQ(record.channelCondition, pcan::channelAvailable);
    EXPECT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, &record, 10), pcan::errorIllParamVal);

    EXPECT_EQ(CAN(Initialize)(0x52, pcan::baud125K, 0, 0, 3), pcan::errorIllHw);
    EXPECT_EQ(CAN(Initialize)(pcan::usbBus1, 0x1234, 0, 0, 3), pcan::errorIllParamVal);
    ASSERT_EQ(CAN(Initialize)(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::ok);
    EXPECT_EQ(CAN(Initialize)(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::errorInitialize);
    // The Linux library hands the receive event out; it cannot be registered.
    std::uint64_t handle = 1;
    EXPECT_EQ(CAN(SetValue)(pcan::usbBus1, pcan::receiveEvent, &handle, 8), pcan::errorIllOperation);
    pcan::Message tooLong = sdo(5, 0x40, 0x1010, 0);
    tooLong.length = 9;
    EXPECT_EQ(CAN(Write)(pcan::usbBus1, &tooLong), pcan::errorIllData);
    EXPECT_EQ(CAN(Uninitialize)(pcan::usbBus1), pcan::ok);
    EXPECT_EQ(CAN(Uninitialize)(pcan::usbBus1), pcan::errorInitialize);
    char text[256]; // the driver's diagnostic log shows it
    ASSERT_EQ(CAN(GetErrorText)(pcan::errorQrcvEmpty, 0x09, text), pcan::ok);
    EXPECT_STREQ(text, "Receive queue is empty");
}

// The traffic of the trace that Wireshark's CANopen dissector must decode (CTest
// integration.sim_trace, then integration.tshark): the UID read, the node ID changed and stored,
// and the reset that brings it into effect. (That it persists on a bus kept across processes is
// checked by tests/cli/sensor_commands.sh.)
TEST_F(PcanBasicApi, PersistentBusRun)
{
    if (!std::getenv("VELDRIS_TEST_RUN"))
        GTEST_SKIP() << "writes the trace of integration.sim_trace";
    ASSERT_EQ(CAN(Initialize)(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::ok);
    EXPECT_TRUE(exchange(sdo(5, 0x40, 0x2A00, 1), 0x585, 0x43));
    EXPECT_TRUE(exchange(sdo(5, 0x23, 0x2100, 0, veldris::sensorAccessCode), 0x585, 0x60));
    EXPECT_TRUE(exchange(sdo(5, 0x2F, 0x2000, 0, 6), 0x585, 0x60));
    EXPECT_TRUE(exchange(sdo(5, 0x23, 0x1010, 1, 0x65766173), 0x585, 0x60)); // "save"
    // Reset communication, all nodes: the sensor boots up under the stored node ID.
    EXPECT_TRUE(exchange({0x000, 0, 2, {0x82, 0}}, 0x706, 0x00));
}
