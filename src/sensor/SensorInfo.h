#pragma once

#include <string>

namespace veldris {

// What the program knows of the sensor it works on, filled when the user picks a node.
struct SensorInfo {
    std::string nodeId;          // decimal, no leading zeros, as chosen in the node list
    std::string uid;             // "0x" and eight lower-case hexadecimal digits
    std::string firmwareVersion;
    std::string itemNumber;
    std::string serialNumber;
    int variantCode = 0;         // 2: the sensor carries an SRDO (safety) configuration
    bool uidListed = false;      // selects one of the two object layouts
};

// The program-wide record of the connected sensor.
SensorInfo& connectedSensor();

} // namespace veldris
