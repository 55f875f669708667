// libpcanbasic-sim.so through its C entry points, loaded as the program loads an adapter library.

#include "can/PcanBasicTypes.h"
#include "common/SystemConstants.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

namespace {

void* library()
{
    static void* const module = ::dlopen(VELDRIS_SIM_LIBRARY, RTLD_NOW);
    return module;
}

// An entry point of the library, looked up by name as the program's binding does.
template <class F>
F entry(const char* name)
{
    return reinterpret_cast<F>(::dlsym(library(), name));
}
#define CAN(name) entry<CAN_##name##_t>("CAN_" #name)

pcan::Message sdo(int node, std::uint8_t command, std::uint16_t index, std::uint8_t sub, std::uint32_t value = 0)
{
    pcan::Message message{};
    message.id = 0x600u + static_cast<std::uint32_t>(node);
    message.length = 8;
    const std::uint8_t data[4] = {command, static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8), sub};
    std::memcpy(message.data, data, 4);
    for (int i = 0; i < 4; ++i)
        message.data[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return message;
}

// Reads frames, waiting on the receive event, until one with identifier `id` comes.
bool awaitFrame(std::uint32_t id, pcan::Message& message)
{
    int fd = -1;
    pcan::Timestamp stamp{};
    if (CAN(GetValue)(pcan::usbBus1, pcan::receiveEvent, &fd, sizeof fd) != pcan::ok)
        return false;
    for (pollfd event{fd, POLLIN, 0}; ::poll(&event, 1, 2000) == 1;)
        while (CAN(Read)(pcan::usbBus1, &message, &stamp) == pcan::ok)
            if (message.id == id)
                return true;
    return false;
}

class PcanBasicApi : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(library(), nullptr) << ::dlerror(); }
    void TearDown() override { CAN(Uninitialize)(pcan::noneBus); }
};

} // namespace

// One attached PCAN-USB channel, to be initialised once at a known bit rate, classic CAN only.
TEST_F(PcanBasicApi, OneUsbChannelInitialisedAtAKnownBitRate)
{
    std::uint32_t count = 0;
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannelsCount, &count, sizeof count), pcan::ok);
    EXPECT_EQ(count, 1u);
    pcan::ChannelInformation record{};
    ASSERT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, &record, sizeof record), pcan::ok);
    EXPECT_EQ(record.channelHandle, pcan::usbBus1);
    EXPECT_EQ(record.deviceType, pcan::deviceTypeUsb);
    EXPECT_EQ(record.channelCondition, pcan::channelAvailable);
    EXPECT_STREQ(record.deviceName, "PCAN-USB");
    EXPECT_EQ(CAN(GetValue)(pcan::noneBus, pcan::attachedChannels, &record, 10), pcan::errorIllParamVal);
    pcan::Handle found = 0;
    char search[] = "devicetype=pcan_usb, controllernumber=0";
    ASSERT_EQ(CAN(LookUpChannel)(search, &found), pcan::ok);
    EXPECT_EQ(found, pcan::usbBus1);

    pcan::Message message{};
    pcan::Timestamp stamp{};
    EXPECT_EQ(CAN(Read)(pcan::usbBus1, &message, &stamp), pcan::errorInitialize);
    EXPECT_EQ(CAN(Initialize)(0x52, pcan::baud125K, 0, 0, 3), pcan::errorIllHw);
    EXPECT_EQ(CAN(Initialize)(pcan::usbBus1, 0x1234, 0, 0, 3), pcan::errorIllParamVal);
    ASSERT_EQ(CAN(Initialize)(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::ok);
    EXPECT_EQ(CAN(Initialize)(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::errorInitialize);
    char fd[] = "f_clock=80000000";
    EXPECT_EQ(CAN(InitializeFD)(pcan::usbBus1, fd), pcan::errorIllOperation);
    EXPECT_EQ(CAN(ReadFD)(pcan::usbBus1, nullptr, nullptr), pcan::errorIllOperation);
    // The Linux library hands the receive event out; it cannot be registered.
    std::uint64_t handle = 1;
    EXPECT_EQ(CAN(SetValue)(pcan::usbBus1, pcan::receiveEvent, &handle, 8), pcan::errorIllOperation);
    std::uint32_t on = pcan::parameterOn;
    EXPECT_EQ(CAN(SetValue)(pcan::usbBus1, pcan::allowErrorFrames, &on, sizeof on), pcan::ok);
    pcan::Message tooLong = sdo(5, 0x40, 0x1010, 0);
    tooLong.length = 9;
    EXPECT_EQ(CAN(Write)(pcan::usbBus1, &tooLong), pcan::errorIllData);
    EXPECT_EQ(CAN(Uninitialize)(pcan::usbBus1), pcan::ok);
    EXPECT_EQ(CAN(Uninitialize)(pcan::usbBus1), pcan::errorInitialize);
    char text[256];
    ASSERT_EQ(CAN(GetErrorText)(pcan::errorQrcvEmpty, 0x09, text), pcan::ok);
    EXPECT_STREQ(text, "Receive queue is empty");
}

bool exchange(pcan::Message request, std::uint32_t answerId, std::uint8_t command)
{
    pcan::Message answer{};
    return CAN(Write)(pcan::usbBus1, &request) == pcan::ok && awaitFrame(answerId, answer) && answer.data[0] == command;
}

// One run of a program on a persistent bus; started by SimulatorState.PersistsAcrossProcesses
// in a process of its own, with VELDRIS_TEST_RUN naming what to do.
TEST_F(PcanBasicApi, PersistentBusRun)
{
    const char* run = std::getenv("VELDRIS_TEST_RUN");
    if (!run)
        GTEST_SKIP() << "a part of SimulatorState.PersistsAcrossProcesses";
    ASSERT_EQ(CAN(Initialize)(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::ok);
    if (std::string(run) == "store node 6") {
        EXPECT_TRUE(exchange(sdo(5, 0x40, 0x2A00, 1), 0x585, 0x43));
        EXPECT_TRUE(exchange(sdo(5, 0x23, 0x2100, 0, veldris::sensorAccessCode), 0x585, 0x60));
        EXPECT_TRUE(exchange(sdo(5, 0x2F, 0x2000, 0, 6), 0x585, 0x60));
        EXPECT_TRUE(exchange(sdo(5, 0x23, 0x1010, 1, 0x65766173), 0x585, 0x60)); // "save"
        pcan::Message reset{};
        reset.length = 2;
        reset.data[0] = 0x82; // reset communication, all nodes: the stored node ID takes effect
        EXPECT_TRUE(exchange(reset, 0x706, 0x00)) << "boot-up under the stored node ID";
    } else {
        EXPECT_TRUE(exchange(sdo(6, 0x40, 0x1010, 0), 0x586, 0x4F)) << "node 6 after the stored change";
    }
}

// Two runs one after the other, as two runs of the command-line tool: the node ID that the
// first one changes, stores and resets into effect is the sensor's node ID in the second.
TEST(SimulatorState, PersistsAcrossProcesses)
{
    TemporaryDirectory dir;
    const std::string state = dir.file("bus.json");
    const std::string trace = dir.file("bus.log");
    const auto runAlone = [&](const char* what) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("VELDRIS_SIM_STATE", state.c_str(), 1);
            ::setenv("VELDRIS_SIM_TRACE", trace.c_str(), 1);
            ::setenv("VELDRIS_TEST_RUN", what, 1);
            ::execl("/proc/self/exe", "PcanBasicApiTest", "--gtest_filter=PcanBasicApi.PersistentBusRun", nullptr);
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    EXPECT_TRUE(runAlone("store node 6"));
    EXPECT_NE(dir.read("bus.json").find("veldris-sim-state"), std::string::npos);
    EXPECT_TRUE(runAlone("expect node 6"));
    EXPECT_NE(dir.read("bus.log").find(" vcan0 605#2F00200006000000"), std::string::npos);
}
