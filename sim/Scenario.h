#pragma once

#include "sim/SensorConfig.h"
#include "sim/VirtualBus.h"

#include <string>
#include <vector>

namespace sim {

struct Scenario {
    BusOptions bus;
    std::vector<SensorConfig> sensors;
};

// Reads a scenario (INI text, keys in docs/simulator.md). `source` names the text in messages
// and is the folder relative files are taken from. On a fault the result is false and `error`
// says where ("FILE: [section] key: what is wrong").
bool parseScenario(const std::string& text, const std::string& source, Scenario& scenario, std::string& error);

// The scenario compiled into the library.
const char* defaultScenarioText();

} // namespace sim
