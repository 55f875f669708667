#include "sensor/SensorInfo.h"

namespace veldris {

SensorInfo& connectedSensor()
{
    static SensorInfo sensor;
    return sensor;
}

} // namespace veldris
