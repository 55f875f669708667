// The error log read out of the simulated sensors of tests/scenarios/procedures.ini with the
// description file of the run folder: the memory as the sensor's firmware wrote it and its
// rows, a sensor that loses frames, one that does not answer, and the blocks read.

#include "canopen/CanOpenClient.h"
#include "errorlog/DescriptionFile.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorLogReadout.h"
#include "sensor/SensorConnection.h"
#include "sim/ErrorLogMemory.h"

#include "support/SharedClientTest.h"
#include "support/SimulatorRecords.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace veldris;

namespace {

const std::string description = VELDRIS_DIST_DIR "/canopen.dev";

// The memory the listed sensors' firmware wrote (the scenario's entries, oldest first).
std::vector<std::uint8_t> listedLogMemory()
{
    return sim::buildErrorLogMemory({0x1000, 0x40, 4, "EEEETTVV", "AFEEXXXX", true}, {{0x43, 0, 0},
                                                                                      {0x100, 12, 50000},
                                                                                      {0x4, 340, 1234},
                                                                                      {0x41, 341, 1000},
                                                                                      {0x24, 1201, 65535},
                                                                                      {0x100, 1800, 50200},
                                                                                      {0x42, 2048, 12},
                                                                                      {0x2, 2050, 0x8000},
                                                                                      {0x100, 2100, 49800},
                                                                                      {0x4, 2222, 100}});
}

class ErrorLogReadoutTest : public SharedClientTest {
protected:
    static ErrorLogReadout readAt(int node, RecordingProgress& progress)
    {
        return readErrorLog(client(), connectToSensor(client(), std::to_string(node)).sensor, description, progress);
    }
};

} // namespace

// Each model reads its own section of the run folder's description file. The memory read is
// the one the sensor's firmware wrote, word for word, and its rows are named as the file says.
// Every word keeps its place: a word that could not be read twice reads as erased flash and is
// counted; a sensor that loses frames now and then still gives its rows.
TEST_F(ErrorLogReadoutTest, EachModelReadsWhatItsFirmwareWroteAndUnreadWordsKeepTheirPlace)
{
    std::vector<std::uint8_t> expected = listedLogMemory();
    RecordingProgress progress;
    const ErrorLogReadout listed = readAt(60, progress);
    ASSERT_EQ(listed.status, ErrorLogStatus::Ok) << listed.problem;
    EXPECT_EQ(listed.memory, expected);
    EXPECT_EQ(progress.percent, 100u);
    ErrorLog log;
    log.buildImage(listed.descriptor, listed.memory);
    EXPECT_EQ(log.rows().at(1).text, "Maximaldruck");

    const ErrorLogReadout other = readAt(61, progress);
    ASSERT_EQ(other.status, ErrorLogStatus::Ok) << other.problem;
    log.buildImage(other.descriptor, other.memory);
    ASSERT_EQ(log.rows().size(), 3u);
    EXPECT_EQ(log.rows()[2].text, "Externer Temp.Sensor");

    const ErrorLogReadout bad = readAt(64, progress);
    EXPECT_EQ(bad.unreadWords, 1u);
    std::fill(expected.begin() + 0x40, expected.begin() + 0x44, 0xFF);
    EXPECT_EQ(bad.memory, expected);

    // The loss may take the answer to the UID read as well: choose the sensor until it is known.
    SensorInfo lossySensor = connectToSensor(client(), "62").sensor;
    for (int attempt = 0; attempt < 5 && lossySensor.uid != "0x06102200"; ++attempt)
        lossySensor = connectToSensor(client(), "62").sensor;
    const ErrorLogReadout lossy = readErrorLog(client(), lossySensor, description, progress);
    ASSERT_EQ(lossy.status, ErrorLogStatus::Ok) << lossy.problem;
    expected = listedLogMemory();
    ASSERT_EQ(lossy.memory.size(), expected.size());
    std::uint32_t erased = 0;
    for (std::size_t word = 0; word < expected.size(); word += 4) {
        const auto read = lossy.memory.begin() + static_cast<std::ptrdiff_t>(word);
        const bool same = std::equal(read, read + 4, expected.begin() + static_cast<std::ptrdiff_t>(word));
        const bool filled = std::all_of(read, read + 4, [](auto b) { return b == 0xFF; });
        EXPECT_TRUE(same || filled) << "word " << word / 4 << " out of place";
        erased += same ? 0 : 1;
    }
    EXPECT_EQ(lossy.unreadWords, erased);
    EXPECT_LT(lossy.unreadWords, 4u) << "a lost answer is asked for again";
}

// Nothing is sent to a sensor that is not there or not described. A log area of 4 pages of
// 0x800 bytes at 0 is read as blocks 0x2800..0x281F, 64 words each.
TEST_F(ErrorLogReadoutTest, NothingSentUnlessDescribedThenEveryWordOfEveryBlock)
{
    RecordingProgress progress;
    const ErrorLogReadout silent = readAt(63, progress);
    EXPECT_EQ(silent.refusal, "The sensor does not answer: its UID could not be read.");
    EXPECT_TRUE(silent.memory.empty());
    EXPECT_EQ(readErrorLog(client(), SensorInfo{}, description, progress).refusal, "No sensor is connected.");

    TemporaryDirectory dir;
    const char* trace = std::getenv("VELDRIS_SIM_TRACE");
    const SensorInfo sensor = connectToSensor(client(), "60").sensor;
    const std::streamoff connected = sizeOfFile(trace);
    EXPECT_EQ(readErrorLog(client(), sensor, dir.file("no.dev"), progress).status, ErrorLogStatus::ConfigMissing);
    dir.write("other.dev", unscrambleDescription("[KV12345678]\nvirtaddr = 0\n"));
    EXPECT_EQ(readErrorLog(client(), sensor, dir.file("other.dev"), progress).status, ErrorLogStatus::Missing);
    EXPECT_TRUE(framesOfTrace(trace, connected).empty());

    std::ifstream source(VELDRIS_SOURCE_DIR "/resources/description/canopen.dev.ini", std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>()};
    const std::string from = "virtaddr = 0x1000\npagesize = 0x40\npagecnt = 0x4";
    text.replace(text.find(from), from.size(), "virtaddr = 0x0\npagesize = 0x800\npagecnt = 0x4");
    dir.write("large.dev", unscrambleDescription(text));
    const ErrorLogReadout readout = readErrorLog(client(), sensor, dir.file("large.dev"), progress);
    EXPECT_EQ(readout.memory.size(), 8192u);
    EXPECT_EQ(progress.sent, 8192u);
    std::vector<std::string> requests;
    for (const std::string& frame : framesOfTrace(trace, connected))
        if (frame.rfind("63C#40", 0) == 0)
            requests.push_back(frame);
    ASSERT_EQ(requests.size(), 2048u);
    EXPECT_EQ(requests.front(), "63C#4000280000000000");
    EXPECT_EQ(requests.back(), "63C#401F28FC00000000");
}
