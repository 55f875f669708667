#pragma once

#include "sim/BusClock.h"
#include "sim/ForeignNode.h"
#include "sim/SensorConfig.h"
#include "sim/SimFrame.h"
#include "sim/VirtualSensor.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sim {

struct BusOptions {
    bool timing = true;                    // frames take their bit time on the bus; off: they pass at once
    std::uint32_t seed = 1;                // for the sensors' lost frames
    std::uint32_t txError = 0;             // PCAN-Basic status CAN_Write returns; 0: every write is taken
    std::vector<std::uint32_t> txErrorIds; // identifiers refused with txError; empty: all
    std::uint32_t openRefusedAfter = 0;    // CAN_Initialize fails after this many opens; 0: never
    std::vector<TrafficConfig> traffic;    // frames of the machine's other nodes
    Micros busOffAt = 0;                   // the adapter goes bus-off at this bus time ...
    Micros busOffFor = 0;                  // ... for this long; 0: never
};

// The virtual CAN bus with its sensors and one adapter port. One thread runs the bus in bus
// time: frames are sent one after the other, the lowest identifier first among those waiting,
// each taking its bit time at the sender's bit rate, and reach every node that runs at the
// same bit rate. A frame keeps the time its sender queued it as its time stamp. Foreign nodes
// send at the port's bit rate while it is open (125 kbit/s otherwise) and, like a CAN
// controller with one transmit buffer, hold at most one frame waiting: a frame that falls due
// while the previous one still waits replaces it.
class VirtualBus {
public:
    VirtualBus(const BusOptions& options, std::vector<SensorConfig> sensors);
    ~VirtualBus();
    VirtualBus(const VirtualBus&) = delete;
    VirtualBus& operator=(const VirtualBus&) = delete;

    // The adapter port. Thread-safe.
    void openPort(int kbit);
    void closePort();
    bool portOpen() const;
    bool writeFrame(const Frame& frame);         // false while the adapter is bus-off
    bool portBusOff() const;                     // the adapter is bus-off now (the scenario's fault.busOff*)
    bool readFrame(Frame& frame, Micros& stamp); // false when nothing is waiting
    void clearQueue();
    bool takeOverrun();                            // the receive queue overflowed since the last call
    int receiveEventFd() const { return eventFd; } // readable while frames are waiting
    // The status with which the adapter refuses to send a frame with this identifier; 0 when
    // it sends it (the scenario's fault.txError).
    std::uint32_t writeRefusal(std::uint32_t identifier) const;
    void setAcceptance(std::function<bool(const Frame&)> accept);
    // Counts an open of the adapter; false when the scenario's fault.openRefusedAfter refuses it.
    bool takeOpen() { return options.openRefusedAfter == 0 || ++opens <= options.openRefusedAfter; }

    // Every frame that completes on the bus, with its time stamp (called on the bus thread).
    void setTrace(std::function<void(const Frame&, Micros)> trace);

    // Runs `work` with the bus held still, for tests and the state file.
    void inspect(const std::function<void(std::vector<std::unique_ptr<VirtualSensor>>&)>& work);

    Micros now() const { return clock.now(); }
    std::size_t framesWaiting() const; // queued for the bus, not yet on it
    Micros epochMicrosAtStart() const { return clock.epochMicrosAtStart(); }

private:
    struct Pending {
        Frame frame;
        Micros readyAt;
        int sender; // sensor index, or portSender
        int kbit;
        std::uint64_t sequence;
    };
    struct InFlight {
        Pending tx;
        Micros end;
    };
    struct Due {
        Micros at = never;
        std::size_t index = 0;
    };
    static constexpr int portSender = -1;
    // Senders below the port are the foreign nodes: -2 is the first.
    static int foreignSender(std::size_t node) { return -2 - static_cast<int>(node); }
    static constexpr int idleBusKbit = 125; // the machine's bit rate while the port is closed
    static constexpr std::size_t receiveQueueLimit = 65536;

    void run();
    Micros advance(Micros now);
    Due nextSensorDue() const;
    Due nextForeignDue() const;
    Micros nextStart() const;
    void runSensor(std::size_t index, Micros at);
    void sendForeign(std::size_t index);
    bool busOff(Micros t) const;
    void dropPortFrames(Micros at);
    void queue(std::vector<Transmission>& out, int sender);
    void startFrame(Micros at);
    void completeFrame();
    void deliverToPort(const Frame& frame, Micros stamp);
    void signalEvent();
    void clearEvent();

    BusOptions options;
    std::atomic<std::uint32_t> opens{0};
    BusClock clock;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::unique_ptr<VirtualSensor>> sensors;
    std::vector<ForeignNode> foreignNodes;
    std::vector<Pending> pending;
    std::optional<InFlight> inFlight;
    Micros busFreeAt = 0;
    Micros busOffStartAt = never; // when the port's waiting frames are dropped
    std::uint64_t sequence = 0;

    bool open = false;
    int portKbit = 0;
    std::deque<std::pair<Frame, Micros>> received;
    bool overrun = false;
    int eventFd = -1;
    std::function<bool(const Frame&)> acceptance;
    std::function<void(const Frame&, Micros)> trace;

    bool stopping = false;
    std::thread worker;
};

} // namespace sim
