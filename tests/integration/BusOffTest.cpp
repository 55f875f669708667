// A bus-off in the middle of a DCF write, on the bus of tests/scenarios/bus_off.ini: the write
// ends with the adapter's status and nothing stored; once the bus is back, the same client
// (no new program, no new open) writes the file and the sensor stores it.

#include "canopen/CanOpenClient.h"
#include "dcf/DCFFile.h"
#include "dcf/DCFUpload.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorConnection.h"

#include "support/SharedClientTest.h"
#include "support/SimulatorRecords.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace veldris;

namespace {

constexpr std::uint64_t busOffFromUs = 1'200'000, busOffUntilUs = 2'200'000;

// Waits until a frame stamped at `micros` of bus time or later has come (the sensor's
// heartbeat every 100 ms keeps them coming, except while the adapter is bus-off).
void awaitBusTime(CanOpenClient& client, std::uint64_t micros)
{
    for (;;) {
        const std::vector<CanFrame> frames = client.readWaitingFrames();
        if (std::any_of(frames.begin(), frames.end(), [micros](const CanFrame& f) { return f.timestampMicros() >= micros; }))
            return;
        client.pause(std::chrono::milliseconds(10));
    }
}

std::vector<DCFSection> heartbeatSections(const char* value)
{
    const std::string section = std::string("[1017]\nDataType=0x0006\nParameterValue=") + value + "\n";
    DCFFile file;
    EXPECT_TRUE(file.loadText(section + section + section));
    return file.sections();
}

} // namespace

class BusOffTest : public SharedClientTest {};

TEST_F(BusOffTest, AWriteDuringBusOffFailsNamingItAndTheNextOneAfterRecoveryStores)
{
    const SensorInfo sensor = connectToSensor(client(), "5").sensor;
    ASSERT_EQ(sensor.uid, "0x06102200");
    // Three sections 200 ms apart, the second due 1.2 s into the bus: it meets the bus-off.
    awaitBusTime(client(), busOffFromUs - 300'000);
    RecordingProgress during;
    const DCFUploadResult failed = DCFUpload(client(), sensor, heartbeatSections("300")).run(during);
    EXPECT_FALSE(failed.success);
    EXPECT_FALSE(failed.stored);
    EXPECT_FALSE(failed.storeSent);
    EXPECT_TRUE(std::any_of(during.lines.begin(), during.lines.end(), [](const std::string& line) {
        return line.find("(bus off)") != std::string::npos;
    })) << testing::PrintToString(during.lines);

    awaitBusTime(client(), busOffUntilUs);
    RecordingProgress after;
    const DCFUploadResult written = DCFUpload(client(), sensor, heartbeatSections("300")).run(after);
    EXPECT_TRUE(written.success) << testing::PrintToString(after.lines);
    EXPECT_TRUE(written.stored);
    EXPECT_EQ(getHeartbeat(client(), connectToSensor(client(), "5").sensor).value, 300u);
}
