// Scenario files and the state file of a persistent simulated bus.

#include "sim/Scenario.h"
#include "sim/SimState.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

TEST(Scenario, DefaultHoldsTwoSensorsAt125kbit)
{
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(sim::parseScenario(sim::defaultScenarioText(), "default", scenario, error)) << error;
    ASSERT_EQ(scenario.sensors.size(), 2u);
    const sim::SensorConfig& node5 = scenario.sensors[0];
    EXPECT_EQ(node5.nodeId, 5);
    EXPECT_EQ(node5.uid, 0x06102200u);
    EXPECT_TRUE(node5.listed);
    EXPECT_TRUE(node5.srdo.enabled);
    EXPECT_TRUE(node5.hasErrorLog);
    EXPECT_EQ(node5.errorLogEntries.size(), 10u);
    const sim::SensorConfig& node32 = scenario.sensors[1];
    EXPECT_EQ(node32.nodeId, 32);
    EXPECT_FALSE(node32.listed);
    EXPECT_FALSE(node32.srdo.enabled);
    for (const sim::SensorConfig& sensor : scenario.sensors)
        EXPECT_EQ(sensor.bitrateKbit, 125);
    EXPECT_TRUE(scenario.bus.timing);
}

TEST(Scenario, MistakesAreReportedWithTheirPlace)
{
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"[sensor a]\nnode = five\n", "test.ini: [sensor a] node: 'five' is not a number from 0 to 127"},
        {"[sensor a]\nnode = 128\n", "test.ini: [sensor a] node: '128' is not a number from 0 to 127"},
        {"[sensor a]\nnode = 5\nhaertbeat = 100\n", "test.ini: [sensor a] haertbeat: unknown key"},
        {"[sensor a]\nfirmware = 1.2.3\n", "test.ini: [sensor a] firmware: '1.2.3' is not four numbers a.b.c.d"},
        {"[sensor a]\nfault.abort = 0x1017\n", "test.ini: [sensor a] fault.abort: '0x1017' is not INDEX:SUB"},
        {"[sensor a]\nerrorlog.entry1 = 1, 2\n",
         "test.ini: [sensor a] errorlog.entry1: '1, 2' is not: error field, timestamp, value"},
        {"[bus]\ntiming = maybe\n", "test.ini: [bus] timing: 'maybe' is not on or off"},
        {"[sensors]\n", "test.ini: [sensors] is neither [bus] nor a [sensor ...] section"},
        {"[sensor a]\nerrorlog.memoryFile = missing.bin\n", "test.ini: [sensor a] errorlog.memoryFile: cannot read missing.bin"},
    };
    for (const Case& c : cases) {
        sim::Scenario scenario;
        std::string error;
        EXPECT_FALSE(sim::parseScenario(c.text, "test.ini", scenario, error)) << c.text;
        EXPECT_EQ(error, c.message);
    }
}

TEST(Scenario, FaultsAndOptionsAreRead)
{
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(sim::parseScenario("[bus]\ntiming = off\nseed = 7\n[sensor x]\nnode = 9\nuid = 0x06102000\n"
                                   "layout = unlisted\nfault.abort = 0x1017:00, 2000:1A\nfault.lossPercent = 12.5\n"
                                   "fault.answerDelayMs = 40\nsrdo.checksum = 0x1234\n",
                                   "x.ini", scenario, error))
        << error;
    EXPECT_FALSE(scenario.bus.timing);
    EXPECT_EQ(scenario.bus.seed, 7u);
    const sim::SensorConfig& sensor = scenario.sensors.at(0);
    EXPECT_FALSE(sensor.listed); // "layout" wins over the UID
    EXPECT_EQ(sensor.faults.abortObjects, (std::vector<std::uint32_t>{0x101700, 0x20001A}));
    EXPECT_DOUBLE_EQ(sensor.faults.lossPercent, 12.5);
    EXPECT_EQ(sensor.faults.answerDelayMs, 40);
    EXPECT_FALSE(sensor.srdo.checksumAuto);
    EXPECT_EQ(sensor.srdo.checksum, 0x1234u);
}

TEST(SimState, SensorComesBackAsItWasSaved)
{
    SensorHarness before(defaultSensor(5));
    before.send(accessRequest(5));
    before.send("605#2F00200006000000");
    before.send("605#2310100173617665");
    before.send("605#2B17100064000000"); // active only
    std::map<std::string, sim::SensorState> states{{"sensor node5", before.sensor.saveState()}};

    std::map<std::string, sim::SensorState> loaded;
    std::string error;
    ASSERT_TRUE(sim::stateFromJson(sim::stateToJson(states), loaded, error)) << error;
    SensorHarness after(defaultSensor(5));
    after.sensor.loadState(loaded.at("sensor node5"), after.now);
    EXPECT_EQ(after.send("605#4017100000000000"), std::vector<std::string>{"585#4B17100064000000"});
    after.send("000#8200");
    after.advance(20);
    EXPECT_EQ(after.send("606#4017100000000000"), std::vector<std::string>{"586#4B171000C8000000"});
    EXPECT_EQ(after.sensor.memory(), before.sensor.memory());
}

TEST(SimState, FlashAndBootloaderSurvive)
{
    sim::SensorConfig config = defaultSensor(32);
    config.startInBootloader = true;
    SensorHarness before(config);
    for (const char* frame : {"07F#61", "07F#410000800000", "07F#630011223344556677"})
        before.send(frame);
    std::map<std::string, sim::SensorState> loaded;
    std::string error;
    ASSERT_TRUE(sim::stateFromJson(sim::stateToJson({{"b", before.sensor.saveState()}}), loaded, error)) << error;
    SensorHarness after(defaultSensor(32));
    after.sensor.loadState(loaded.at("b"), after.now);
    EXPECT_TRUE(after.sensor.inBootloader());
    EXPECT_EQ(after.sensor.flashBytes(0x8000, 7), before.sensor.flashBytes(0x8000, 7));
    EXPECT_EQ(after.sensor.flashBytes(0x8000, 1), std::vector<std::uint8_t>{0x11});
}

TEST(SimState, DamagedFilesAreRefused)
{
    std::map<std::string, sim::SensorState> loaded;
    std::string error;
    EXPECT_FALSE(sim::stateFromJson("{\"format\": \"other\"}", loaded, error));
    EXPECT_FALSE(sim::stateFromJson("{\"format\": \"veldris-sim-state\", \"sensors\": {\"a\": {}}}", loaded, error));
    EXPECT_FALSE(sim::stateFromJson("not json", loaded, error));
    EXPECT_FALSE(error.empty());
}
