#pragma once

#include "sim/Scenario.h"
#include "sim/VirtualSensor.h"

#include "FrameText.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

// One simulated sensor driven by hand: frames in, frames out, in a bus time the test moves.
class SensorHarness {
public:
    explicit SensorHarness(const sim::SensorConfig& config, sim::Micros start = sim::millis(1'000'000))
        : now(start), sensor(config, start)
    {
    }

    // The frames the sensor answers a frame with, at once (delayed answers included).
    std::vector<std::string> send(const std::string& frame)
    {
        std::vector<sim::Transmission> out;
        sensor.receive(frameOf(frame), now, out);
        return textsOf(out);
    }

    // Moves bus time on by `ms` and returns every frame due on the way, with its time stamp.
    std::vector<sim::Transmission> advance(std::int64_t ms)
    {
        const sim::Micros until = now + sim::millis(ms);
        std::vector<sim::Transmission> out;
        while (sensor.nextDue() <= until)
            sensor.runDue(sensor.nextDue(), out);
        now = until;
        return out;
    }

    sim::Micros now;
    sim::VirtualSensor sensor;
};

// The sensors of the default scenario, by node: 5 (listed layout, SRDO, error log) and 32.
inline sim::SensorConfig defaultSensor(int node)
{
    sim::Scenario scenario;
    std::string error;
    sim::parseScenario(sim::defaultScenarioText(), "default", scenario, error);
    for (const sim::SensorConfig& sensor : scenario.sensors)
        if (sensor.nodeId == node)
            return sensor;
    throw std::runtime_error("no node " + std::to_string(node) + " in the default scenario " + error);
}

// Node 5 with only these keys (and no heartbeat), as a scenario section would give them.
inline sim::SensorConfig parsedSensor(const std::string& keys)
{
    sim::Scenario scenario;
    std::string error;
    if (!sim::parseScenario("[sensor a]\nnode = 5\nheartbeat = 0\n" + keys, "test.ini", scenario, error))
        throw std::runtime_error(error);
    return scenario.sensors.at(0);
}

// Requests and the answer each must get at once (empty: none), in this order.
inline void expectExchanges(SensorHarness& harness, const std::vector<std::pair<std::string, std::string>>& exchanges)
{
    for (const auto& [request, answer] : exchanges) {
        SCOPED_TRACE(request);
        EXPECT_EQ(harness.send(request), answer.empty() ? std::vector<std::string>{} : std::vector<std::string>{answer});
    }
}

// Node 5 given the sensor's access code 0x4B56524F, least significant byte first.
inline const std::string unlock5 = "605#230021004F52564B";
