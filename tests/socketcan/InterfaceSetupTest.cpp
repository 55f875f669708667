// How CAN_Initialize brings a SocketCAN interface to the asked bit rate, against a fake of the
// kernel's answers: left alone when it already runs so, restarted where allowed, and refused
// with a message that tells what to run where the restart is refused.

#include "socketcan/InterfaceSetup.h"

#include <gtest/gtest.h>

#include <linux/can/netlink.h>

using namespace socketcan;

namespace {

// What the kernel says about interface can0, which exists and is up.
struct Situation {
    std::uint32_t rate = 125000;
    int state = CAN_STATE_ERROR_ACTIVE;
    bool mayChange = false; // CAP_NET_ADMIN
};

struct FakeLinks : LinkControl, Situation {
    explicit FakeLinks(const Situation& situation) : Situation(situation) {}

    int restarts = 0;

    bool exists(const std::string&) const override { return true; }
    bool isUp(const std::string&) const override { return true; }
    bool bitrate(const std::string&, std::uint32_t& bitrate) const override
    {
        bitrate = rate;
        return true;
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

// A controller that stayed bus-off (restart-ms 0) opens the channel in that state, so that
// CAN_Write refuses at once instead of queueing frames that never go out.
TEST(InterfaceSetup, BringsTheInterfaceToTheBitRateOrSaysWhatToRun)
{
    struct Case {
        const char* situation;
        Situation links;
        pcan::Status status;
        int restarts;
        pcan::Status busState;
        std::string message;
    } cases[] = {
        {"up at the rate, stayed bus-off", {.state = CAN_STATE_BUS_OFF}, pcan::ok, 0, pcan::errorBusOff, ""},
        {"other rate, may change", {.rate = 250000, .mayChange = true}, pcan::ok, 1, pcan::ok, ""},
        {"other rate, refused",
         {.rate = 250000},
         pcan::errorIllOperation,
         1,
         pcan::errorUnknown,
         "can0 runs at 250000 bit/s, not 125000. As root: ip link set can0 down; "
         "ip link set can0 type can bitrate 125000; ip link set can0 up"},
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
            EXPECT_EQ(busState, c.busState);
        }
    }
}
