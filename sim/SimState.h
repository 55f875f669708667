#pragma once

#include "sim/VirtualSensor.h"

#include <map>
#include <string>

namespace sim {

// The persistent state of a simulated bus as a JSON document: per sensor (by its scenario
// section) the active and stored object values, the node ID and bit rate in effect, whether
// its bootloader runs, whether its power cut has happened, its string objects (hex bytes), its
// SDO-mapped memory and its flash as address ranges with hex data.
std::string stateToJson(const std::map<std::string, SensorState>& sensors);
// False with `error` set when the text is not such a document.
bool stateFromJson(const std::string& text, std::map<std::string, SensorState>& sensors, std::string& error);

} // namespace sim
