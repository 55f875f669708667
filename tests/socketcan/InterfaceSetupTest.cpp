// How CAN_Initialize brings a SocketCAN interface to the asked bit rate, against a fake of the
// kernel's answers: left alone when it already runs so, restarted where allowed, and refused
// with a message that tells what to run where the restart is refused.

#include "socketcan/InterfaceSetup.h"

#include <gtest/gtest.h>

#include <linux/can/netlink.h>

using namespace socketcan;

namespace {

// What the kernel says about the interface.
struct Situation {
    bool present = true;
    bool up = true;
    bool hasTiming = true;
    std::uint32_t rate = 125000;
    int state = CAN_STATE_ERROR_ACTIVE;
    bool mayChange = false; // CAP_NET_ADMIN
};

struct FakeLinks : LinkControl, Situation {
    explicit FakeLinks(const Situation& situation = {}) : Situation(situation) {}

    int restarts = 0;

    bool exists(const std::string&) const override { return present; }
    bool isUp(const std::string&) const override { return up; }
    bool bitrate(const std::string&, std::uint32_t& bitrate) const override
    {
        bitrate = rate;
        return hasTiming;
    }
    int controllerState(const std::string&) const override { return state; }
    bool restartAt(const std::string&, std::uint32_t bitrate) override
    {
        ++restarts;
        if (mayChange)
            rate = bitrate;
        return mayChange;
    }
    bool bringUp(const std::string&) override { return mayChange; }
};

} // namespace

TEST(InterfaceSetup, BringsTheInterfaceToTheBitRateOrSaysWhatToRun)
{
    const std::string setRate = "As root: ip link set can0 down; ip link set can0 type can bitrate 125000; "
                                "ip link set can0 up";
    struct Case {
        const char* situation;
        Situation links;
        pcan::Status status;
        int restarts;
        std::string message;
    } cases[] = {
        {"up at the rate", {}, pcan::ok, 0, ""},
        {"missing", {.present = false}, pcan::errorIllHw,
         0, "There is no network interface can0. Connect the CAN adapter, or name its interface in VELDRIS_SOCKETCAN "
            "(ip -details link show type can lists them)."},
        {"other rate, may change", {.rate = 250000, .mayChange = true}, pcan::ok, 1, ""},
        {"other rate, refused", {.rate = 250000}, pcan::errorIllOperation, 1,
         "can0 runs at 250000 bit/s, not 125000. " + setRate},
        {"down at the rate, may change", {.up = false, .mayChange = true}, pcan::ok, 1, ""},
        {"down at the rate, refused", {.up = false}, pcan::errorIllOperation, 1,
         "can0 is down. As root: ip link set can0 up"},
        {"no rate yet, refused", {.up = false, .rate = 0}, pcan::errorIllOperation, 1,
         "can0 has no bit rate set, and setting it to 125000 was refused. " + setRate},
        {"virtual, up", {.hasTiming = false}, pcan::ok, 0, ""},
        {"virtual, down, may start", {.up = false, .hasTiming = false, .mayChange = true}, pcan::ok, 0, ""},
        {"virtual, down, refused", {.up = false, .hasTiming = false}, pcan::errorIllOperation, 0,
         "can0 is down. As root: ip link set can0 up"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        FakeLinks links(c.links);
        std::string message;
        pcan::Status busState = pcan::errorUnknown;
        EXPECT_EQ(prepareInterface(links, "can0", 125000, message, busState), c.status);
        EXPECT_EQ(links.restarts, c.restarts);
        EXPECT_EQ(message, c.message);
        if (c.status == pcan::ok) {
            EXPECT_EQ(busState, pcan::ok);
        }
    }
}

// A controller that stayed bus-off (restart-ms 0) opens with that state, so that CAN_Write
// refuses at once instead of queueing frames that never go out.
TEST(InterfaceSetup, ChannelStartsInTheControllersState)
{
    FakeLinks links;
    links.state = CAN_STATE_BUS_OFF;
    std::string message;
    pcan::Status busState = pcan::ok;
    EXPECT_EQ(prepareInterface(links, "can0", 125000, message, busState), pcan::ok);
    EXPECT_EQ(busState, pcan::errorBusOff);
}
