// A bus-off in the middle of a DCF write and of a firmware update's data phase, on the bus of
// tests/scenarios/bus_off.ini (each test is a process of its own, so each meets the bus-off):
// the procedure ends with the adapter's status and says what the sensor holds; once the bus is
// back, the same client (no new program, no new open) completes the job.

#include "canopen/CanOpenClient.h"
#include "dcf/DCFFile.h"
#include "dcf/DCFUpload.h"
#include "firmware/FirmwareUpdate.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorConnection.h"

#include "support/SharedClientTest.h"
#include "support/IntelHexText.h"
#include "support/SimulatorRecords.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace veldris;

namespace {

constexpr std::uint64_t busOffFromUs = 2'500'000, busOffUntilUs = 3'500'000;

// Waits until a frame stamped at `micros` of bus time or later has come (node 6's heartbeat
// every 100 ms keeps them coming, except while the adapter is bus-off); false after 20 s.
bool awaitBusTime(CanOpenClient& client, std::uint64_t micros)
{
    for (int wakeUp = 0; wakeUp < 2000; ++wakeUp) {
        const std::vector<CanFrame> frames = client.readWaitingFrames();
        if (std::any_of(frames.begin(), frames.end(), [micros](const CanFrame& f) { return f.timestampMicros() >= micros; }))
            return true;
        client.pause(std::chrono::milliseconds(10));
    }
    return false;
}

bool anyLineHas(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(), [&text](const std::string& l) { return l.find(text) != std::string::npos; });
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
    // Three sections 200 ms apart and the store: the last ones meet the bus-off.
    ASSERT_TRUE(awaitBusTime(client(), busOffFromUs - 300'000));
    RecordingProgress during;
    const DCFUploadResult failed = DCFUpload(client(), sensor, heartbeatSections("300")).run(during);
    EXPECT_FALSE(failed.success);
    EXPECT_FALSE(failed.stored);
    EXPECT_FALSE(failed.storeUnknown);
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

// The data phase of a 12 000-byte image takes about 4.6 s from about 0.8 s of bus time on: the
// bus-off at 2.5 s cuts it. The sensor is left in its bootloader, and a forced update after
// the bus is back writes the whole image.
TEST_F(BusOffTest, AnUpdateCutByBusOffLeavesTheBootloaderForAForcedOne)
{
    FirmwareModule module;
    module.name = "large.hex";
    module.type = "hex";
    module.device = "KVR200";
    module.ui = "06102200";
    const std::string image = hexImage({{0x0000, std::vector<std::uint8_t>(12000, 0x5A)}});
    module.image.assign(image.begin(), image.end());
    const SensorInfo sensor = connectToSensor(client(), "5").sensor;
    ASSERT_EQ(sensor.uid, "0x06102200");

    RecordingProgress cut;
    const ModuleUpdateResult failed = FirmwareUpdate(client(), sensor, false).update(&module, cut);
    EXPECT_EQ(failed.outcome, ModuleUpdateResult::Outcome::Failed);
    EXPECT_TRUE(anyLineHas(cut.lines, "the CAN adapter refused the frame 07F#63")) << testing::PrintToString(cut.lines);
    ASSERT_GE(cut.lines.size(), 2u);
    EXPECT_EQ(cut.lines[cut.lines.size() - 2], "the sensor waits in its bootloader: update it again with Force");
    EXPECT_EQ(cut.lines.back(), "FAILED");
    EXPECT_LT(failed.bytes, 12000u);

    ASSERT_TRUE(awaitBusTime(client(), busOffUntilUs));
    RecordingProgress forced;
    const ModuleUpdateResult completed = FirmwareUpdate(client(), SensorInfo{}, true).update(&module, forced);
    EXPECT_EQ(completed.outcome, ModuleUpdateResult::Outcome::Updated) << testing::PrintToString(forced.lines);
    EXPECT_EQ(completed.unechoed, 0u);
    EXPECT_EQ(forced.lines.back(), "DONE");
}
