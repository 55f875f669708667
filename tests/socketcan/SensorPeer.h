#pragma once

#include "sim/BusClock.h"
#include "sim/VirtualSensor.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A simulated sensor on the bus side of a socket pair: a thread reads the can_frame records the
// library writes, lets a sim::VirtualSensor answer them, and writes its answers (and its cyclic
// frames) back at the times the sensor gives them, as a sensor behind a SocketCAN interface
// would. It waits with poll on the socket and on its stop event, never by sleeping.
class SensorPeer {
public:
    SensorPeer(int descriptor, sim::SensorConfig config);
    ~SensorPeer();
    SensorPeer(const SensorPeer&) = delete;
    SensorPeer& operator=(const SensorPeer&) = delete;

    // Blocks until `done` holds for the sensor; checked after every frame it heard.
    void waitUntil(const std::function<bool(const sim::VirtualSensor&)>& done);

private:
    void run();
    void hear();                    // takes every frame that waits on the socket
    sim::Micros sendDue(sim::Micros now); // writes what is due; the next due time
    void send(const sim::Frame& frame) const;

    int fd;
    int stopEvent;
    sim::BusClock clock;
    std::mutex mutex;
    std::condition_variable heard;
    sim::VirtualSensor sensor;               // guarded by mutex
    std::vector<sim::Transmission> pending;  // guarded by mutex
    std::thread worker;
};
