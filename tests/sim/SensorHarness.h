#pragma once

#include "sim/Scenario.h"
#include "sim/VirtualSensor.h"

#include "FrameText.h"

#include "common/SystemConstants.h"

#include <memory>
#include <stdexcept>

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
        last = out;
        return textsOf(out);
    }

    // Moves bus time on by `ms` and returns every frame due on the way, with its time stamp.
    std::vector<sim::Transmission> advance(std::int64_t ms)
    {
        const sim::Micros until = now + sim::millis(ms);
        std::vector<sim::Transmission> out;
        while (sensor.nextDue() <= until) {
            const sim::Micros due = sensor.nextDue();
            sensor.runDue(due, out);
        }
        now = until;
        return out;
    }

    sim::Micros now;
    sim::VirtualSensor sensor;
    std::vector<sim::Transmission> last;
};

// The sensors of the default scenario, by node: 5 (listed layout, SRDO, error log) and 32.
inline sim::SensorConfig defaultSensor(int node)
{
    sim::Scenario scenario;
    std::string error;
    if (!sim::parseScenario(sim::defaultScenarioText(), "default", scenario, error))
        throw std::runtime_error(error);
    for (const sim::SensorConfig& sensor : scenario.sensors)
        if (sensor.nodeId == node)
            return sensor;
    throw std::runtime_error("no such sensor");
}

// The request that gives node `node` the access code ("605#2300210" + code, LSB first).
inline std::string accessRequest(int node)
{
    char text[40];
    const std::uint32_t code = veldris::sensorAccessCode;
    std::snprintf(text, sizeof text, "%03X#23002100%02X%02X%02X%02X", 0x600 + node, code & 0xFF, code >> 8 & 0xFF,
                  code >> 16 & 0xFF, code >> 24);
    return text;
}
