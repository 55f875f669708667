// The program's CANopen client, through its binding and driver, over libpcanbasic-socketcan.so
// on a socket pair whose other end carries a simulated bus with sensor 5 of the default
// scenario. Events are ordered by the socket and by the sensor's answers, never by sleeping.

#include "SocketCanTests.h"
#include "SocketPair.h"
#include "sim/SensorHarness.h"

#include "can/AdapterNotifier.h"
#include "can/BusTrace.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "sim/VirtualBus.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/eventfd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

using namespace veldris;

namespace {

// Carries frames between the bus side of the socket and the simulated bus's adapter port, on
// its own thread, as a SocketCAN interface carries them to and from the wire.
class SensorPeer {
public:
    explicit SensorPeer(int descriptor) : fd(descriptor), stop(::eventfd(0, EFD_CLOEXEC))
    {
        bus.openPort(125);
        worker = std::thread([this] { run(); });
    }
    ~SensorPeer()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(stop, &one, sizeof one);
        worker.join();
        ::close(stop);
    }

    sim::VirtualBus bus{{}, {defaultSensor(5)}};

private:
    void run()
    {
        for (;;) {
            pollfd events[3] = {{fd, POLLIN, 0}, {bus.receiveEventFd(), POLLIN, 0}, {stop, POLLIN, 0}};
            if (::poll(events, 3, -1) < 0 || events[2].revents || (events[0].revents & (POLLHUP | POLLERR)))
                return;
            can_frame frame{};
            while (::recv(fd, &frame, sizeof frame, MSG_DONTWAIT) == sizeof frame) {
                sim::Frame heard{frame.can_id & CAN_SFF_MASK, frame.len, {}, false, false};
                std::memcpy(heard.data, frame.data, frame.len);
                bus.writeFrame(heard);
            }
            sim::Frame answer;
            sim::Micros stamp = 0;
            while (bus.readFrame(answer, stamp)) {
                can_frame out{};
                out.can_id = answer.id;
                out.len = answer.length;
                std::memcpy(out.data, answer.data, answer.length);
                ::send(fd, &out, sizeof out, MSG_DONTWAIT | MSG_NOSIGNAL);
            }
        }
    }

    int fd;
    int stop;
    std::thread worker;
};

std::string traceText()
{
    std::ifstream in(socketCanTracePath());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(ClientOverSocketCan, ScanSdoNmtAndTraceReachTheSensor)
{
    SocketPair socket;
    SensorPeer peer(socket.peer());
    ::setenv("VELDRIS_SOCKETCAN", socket.entry().c_str(), 1);
    // Declared after the peer: the library lets go of its descriptor before the peer stops. It
    // records to a trace, as `veldris --trace FILE` does.
    CanOpenClient client(AdapterHooks{{}, std::make_shared<BusTrace>(socketCanTracePath())});
    ASSERT_TRUE(client.connectAdapter(0, 3)); // 125 kbit/s

    EXPECT_EQ(scanNodes(client).nodes, (std::vector<std::int32_t>{5}));

    const std::uint64_t requestedAt = epochMicros();
    const Exchange read = client.exchange(requests::readHeartbeat(5), 1000);
    ASSERT_TRUE(read.answered());
    EXPECT_EQ(read.answer.identifier, 0x585u);
    EXPECT_EQ(read.answer.value(), 200u);
    // Stamped when the sensor's answer entered the socket, on the epoch's scale.
    EXPECT_GE(read.answer.timestampMicros(), requestedAt);
    EXPECT_LE(read.answer.timestampMicros(), epochMicros());
    const std::string trace = traceText();
    EXPECT_NE(trace.find(" can0 605#4017100000000000"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" can0 585#4B171000C8000000"), std::string::npos) << trace;

    ASSERT_TRUE(client.exchange(requests::writeHeartbeat(5, 500), 1000).answered());
    nmtStartNode(client, 5);
    // The NMT frame goes out before this request, so the sensor has taken it once it answers.
    EXPECT_EQ(client.exchange(requests::readHeartbeat(5), 1000).answer.value(), 500u);
    peer.bus.inspect([](auto& sensors) { EXPECT_EQ(sensors[0]->nmtState(), sim::NmtState::Operational); });
    ::unsetenv("VELDRIS_SOCKETCAN");
}

// An interface that is not there: the open fails, and the library's text, which says what to
// do, reaches the user (a box in the window, a line of the command-line tool).
TEST(ClientOverSocketCan, MissingInterfaceIsExplainedToTheUser)
{
    std::vector<std::string> notices;
    const AdapterNotifier notifier = [&](const std::string& caption, const std::string& text) {
        notices.push_back(caption + " " + text);
    };
    ::setenv("VELDRIS_SOCKETCAN", "nosuchcan7", 1);
    {
        CanOpenClient client(AdapterHooks{notifier, nullptr});
        EXPECT_FALSE(client.connectAdapter(0, 3));
    }
    ::unsetenv("VELDRIS_SOCKETCAN");
    EXPECT_EQ(notices, std::vector<std::string>{"Error! There is no network interface nosuchcan7. Connect the CAN "
                                                "adapter, or name its interface in VELDRIS_SOCKETCAN (ip -details "
                                                "link show type can lists them)."});
}
