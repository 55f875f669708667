// The bootloader update against the simulated sensors of tests/scenarios/procedures.ini: the
// frames of the data phase, what the flash holds afterwards, refusals and failures, stopping in
// the middle and finishing with force.

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"
#include "sensor/SensorConnection.h"

#include "support/IntelHexText.h"
#include "support/SharedClientTest.h"
#include "support/SimulatorRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>

using namespace veldris;
using Outcome = ModuleUpdateResult::Outcome;

namespace {

FirmwareModule moduleOf(const std::string& name, const std::string& hex, const char* type = "hex")
{
    FirmwareModule module;
    module.name = name;
    module.type = type;
    module.device = "KVR200";
    module.ui = "06102000,06102200";
    module.image.assign(hex.begin(), hex.end());
    return module;
}

// The sample application for the safety sensors: version 1.5.0.0 at 0x100.
FirmwareModule sampleApplication()
{
    std::ifstream in(VELDRIS_SOURCE_DIR "/resources/samples/firmware/app-kvr200.hex", std::ios::binary);
    return moduleOf("app-kvr200.hex", {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
}

class FirmwareUpdateTest : public SharedClientTest {
protected:
    static SensorInfo sensorAt(int node) { return connectToSensor(client(), std::to_string(node)).sensor; }

    // The data frames the update sent, without the bootloader's echoes.
    static std::vector<std::string> dataFramesSince(std::streamoff offset)
    {
        std::vector<std::string> sent;
        bool request = true;
        for (const std::string& frame : framesOfTrace(std::getenv("VELDRIS_SIM_TRACE"), offset))
            if (frame.rfind("07F#63", 0) == 0 && std::exchange(request, !request))
                sent.push_back(frame);
        return sent;
    }

    // The sensor's flash against the image over the image's range: the state file is written
    // when the bus is opened again.
    static void expectFlashHolds(const std::string& sensor, const FirmwareModule& module)
    {
        ASSERT_TRUE(client().connectAdapter(0, 3));
        MemoryImage image;
        std::string error;
        ASSERT_TRUE(readIntelHex(std::string(module.image.begin(), module.image.end()), image, error)) << error;
        const auto flash = flashOfSensor(std::getenv("VELDRIS_SIM_STATE"), sensor);
        int differences = 0;
        for (std::uint64_t address = image.lowest(); address <= image.highest(); ++address) {
            const auto written = flash.find(static_cast<std::uint32_t>(address));
            differences += image.byteAt(address) != (written == flash.end() ? 0xFF : written->second);
        }
        EXPECT_EQ(differences, 0);
        EXPECT_TRUE(flash.empty() || flash.rbegin()->first <= image.highest()) << "bytes beyond the image";
    }
};

} // namespace

// The modules go one after the other through one update per sensor. An updated module starts
// from an empty image (its frames hold no byte of the one before), and the bootloader erases
// its flash first, so each image is checked right after it was written; the sensor then
// reports the version in the last one. A refused or failed module succeeds nowhere.
TEST_F(FirmwareUpdateTest, ModulesUpdatedInEchoedFramesOfSixOrRefused)
{
    const std::vector<std::string> updated = {"unlocking device",
                                              "setting device to bootloader mode",
                                              "setting auto increment",
                                              "erasing memory",
                                              "uploading..",
                                              "rebooting device",
                                              "DONE"};
    struct Case {
        const char* what;
        int node;
        FirmwareModule module;
        Outcome outcome;
        std::vector<std::string> lines;
        std::vector<std::string> dataFrames = {}; // none: not compared
        bool busQuiet = false;                    // the update sends nothing
    } cases[] = {
        {"a gap of four bytes as erased flash, then a short last frame",
         5,
         moduleOf("gap.hex", hexImage({{0x0000, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}, {0x0010, {0xA1, 0xA2, 0xA3}}})),
         Outcome::Updated,
         updated,
         {"07F#6300010203040506", "07F#63000708090A0B0C", "07F#6300FFFFFFFFA1A2", "07F#6300A3"}},
        {"one byte away from 0, done at once",
         5,
         moduleOf("1.hex", hexImage({{0x0030, {0x42}}})),
         Outcome::Updated,
         updated,
         {"07F#630042"}},
        {"the sample application", 5, sampleApplication(), Outcome::Updated, updated},
        {"version 1.6.0.0", 5, moduleOf("patch.hex", hexImage({{0x0100, {0x00, 0x00, 0x06, 0x01}}, {0x0000, {7, 7}}})),
         Outcome::Updated, updated},
        {"damaged image",
         5,
         moduleOf("bad.hex", ":10000000FF\n"),
         Outcome::Failed,
         {"the image of module bad.hex cannot be used: " + std::string(IntelHex::failureText) + " (line 1)", "FAILED"},
         {},
         true},
        {"a module of another format is skipped",
         5,
         moduleOf("1.bin", hexImage({{0x0030, {0x42}}}), "bin"),
         Outcome::Skipped,
         {},
         {},
         true},
        {"empty image",
         5,
         moduleOf("empty.hex", ":00000001FF\n"),
         Outcome::Failed,
         {"the image of module empty.hex holds no data", "FAILED"},
         {},
         true},
        {"foreign UID",
         32,
         sampleApplication(),
         Outcome::Refused,
         {"fw file doesn't support connected sensor. ErrorCode 0x554944", "FAILED"},
         {},
         true},
        {"foreign bootloader",
         50,
         sampleApplication(),
         Outcome::Refused,
         {"unlocking device", "setting device to bootloader mode",
          "fw file doesn't support connected sensor. ErrorCode 0x424C4944", "rebooting device", "FAILED"}},
        {"bootloader stops echoing",
         51,
         sampleApplication(),
         Outcome::Failed,
         {"unlocking device", "setting device to bootloader mode", "setting auto increment", "erasing memory", "uploading..",
          "failed to upload fw!", "the sensor waits in its bootloader: update it again with Force", "FAILED"}},
    };
    std::optional<FirmwareUpdate> update;
    int node = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.node != node)
            update.emplace(client(), sensorAt(node = c.node), false);
        const std::streamoff start = sizeOfFile(std::getenv("VELDRIS_SIM_TRACE"));
        RecordingProgress progress;
        const ModuleUpdateResult result = update->update(&c.module, progress);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(progress.lines, c.lines);
        EXPECT_EQ(progress.percent, c.outcome == Outcome::Updated ? 100u : 0u);
        // Frames of the sensors (a boot-up after an earlier reboot, a late answer to the
        // connect) may follow; the update itself sends bootloader commands, SDO requests or NMT.
        const std::vector<std::string> frames = framesOfTrace(std::getenv("VELDRIS_SIM_TRACE"), start);
        const auto sent = [](const std::string& f) {
            return f.rfind("07F#", 0) == 0 || f.rfind("000#", 0) == 0 || f[0] == '6';
        };
        EXPECT_EQ(std::none_of(frames.begin(), frames.end(), sent), c.busQuiet) << testing::PrintToString(frames);
        if (!c.dataFrames.empty()) {
            EXPECT_EQ(dataFramesSince(start), c.dataFrames);
        }
        if (c.outcome == Outcome::Updated) {
            EXPECT_EQ(result.unechoed, 0u);
            expectFlashHolds("sensor safety", c.module);
        }
    }
    EXPECT_EQ(sensorAt(5).firmwareVersion, "1.6.0.0");
}

namespace {

// Tells when the data phase has got so far.
struct WatchedProgress : RecordingProgress {
    std::promise<void> halfway;
    bool told = false;
    void setProgress(std::uint32_t value) override
    {
        RecordingProgress::setProgress(value);
        if (value >= 30 && !std::exchange(told, true))
            halfway.set_value();
    }
};

} // namespace

// A stop in the data phase leaves the sensor in its bootloader and says so; an update with
// force then finishes the job.
TEST_F(FirmwareUpdateTest, StoppedInTheDataPhaseAndFinishedWithForce)
{
    const FirmwareModule large = moduleOf("large.hex", hexImage({{0x0000, std::vector<std::uint8_t>(12000, 0x5A)}}));
    const SensorInfo sensor = sensorAt(5);
    WatchedProgress progress;
    std::future<void> halfway = progress.halfway.get_future();
    auto worker = std::async(std::launch::async, [&] {
        const BusLease lease = client().tryLease();
        return FirmwareUpdate(client(), sensor, false).update(&large, progress);
    });
    halfway.wait();
    client().requestStop();
    const ModuleUpdateResult stopped = worker.get();
    client().clearStop();
    EXPECT_EQ(stopped.outcome, Outcome::Stopped);
    EXPECT_EQ(progress.lines.back(), "Stopped: the sensor is in its bootloader; update again with Force.");
    EXPECT_LT(stopped.bytes, 12000u);
    EXPECT_FALSE(client().exchange(requests::readUid(5), 50).answered()) << "the application does not run";

    RecordingProgress forced;
    EXPECT_EQ(FirmwareUpdate(client(), SensorInfo{}, true).update(&large, forced).outcome, Outcome::Updated);
    EXPECT_EQ(forced.lines.front(), "setting auto increment");
    expectFlashHolds("sensor safety", large);
    EXPECT_TRUE(client().exchange(requests::readUid(5), 100).answered()) << "the application runs again";

    RecordingProgress none;
    EXPECT_EQ(FirmwareUpdate(client(), SensorInfo{}, true).update(&large, none).outcome, Outcome::Refused);
    EXPECT_EQ(none.lines, (std::vector<std::string>{"unable to find a connected sensor!", "FAILED"}));
}
