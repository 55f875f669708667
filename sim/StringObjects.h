#pragma once

#include "sim/ObjectDictionary.h"
#include "sim/SensorConfig.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// The simulated sensor's VISIBLE_STRING objects, each at sub-index 0: the CiA 301 identity
// texts, read-only as on the real sensors, and one writable text that gives the segmented
// download something to write. The scenario sets them with `string.INDEX` (`string.1008`).
struct StringObject {
    std::uint16_t index;
    std::size_t maxLength; // [bytes]
    Access access;
};

const std::vector<StringObject>& stringObjects();

// The scenario key of an object: "string.1008", "string.100A".
std::string stringKey(std::uint16_t index);

// The text an object starts with when the scenario does not give one.
std::string defaultString(std::uint16_t index, const SensorConfig& config);

// "a.b.c.d" of a firmware version (byte 3 = a), the software version 0x100A reports.
std::string versionText(std::uint32_t version);

} // namespace sim
