// Scenario files and the state file of a persistent simulated bus.

#include "sim/Scenario.h"
#include "sim/SimState.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

// The options that are more than a key read into a field, and the mistakes, with their place.
TEST(Scenario, OptionsAreReadAndMistakesReportedWithTheirPlace)
{
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(sim::parseScenario("[bus]\nfault.openRefusedAfter = 1\nfault.busOffAtMs = 2000\nfault.busOffForMs = 300\n"
                                   "[sensor x]\nnode = 9\nuid = 0x06102000\nlayout = unlisted\n"
                                   "fault.abort = 0x1017:00, 2000:1A\nsrdo.checksum = 0x1234\n",
                                   "x.ini", scenario, error))
        << error;
    const sim::SensorConfig& sensor = scenario.sensors.at(0);
    EXPECT_FALSE(sensor.listed); // "layout" wins over the UID
    EXPECT_EQ(sensor.faults.abortObjects, (std::vector<std::uint32_t>{0x101700, 0x20001A}));
    EXPECT_FALSE(sensor.srdo.checksumAuto);
    EXPECT_EQ(sensor.srdo.checksum, 0x1234u);
    EXPECT_EQ(scenario.bus.openRefusedAfter, 1u);
    EXPECT_EQ(scenario.bus.busOffAt, sim::millis(2000));
    EXPECT_EQ(scenario.bus.busOffFor, sim::millis(300));

    const std::pair<const char*, const char*> mistakes[] = {
        {"[sensor a]\nnode = five\n", "test.ini: [sensor a] node: 'five' is not a number from 0 to 127"},
        {"[sensor a]\nnode = 5\nhaertbeat = 100\n", "test.ini: [sensor a] haertbeat: unknown key"},
        {"[sensor a]\nfirmware = 1.2.3\n", "test.ini: [sensor a] firmware: '1.2.3' is not four numbers a.b.c.d"},
        {"[sensor a]\nfault.abort = 0x1017\n", "test.ini: [sensor a] fault.abort: '0x1017' is not INDEX:SUB"},
        {"[sensors]\n", "test.ini: [sensors] is neither [bus] nor a [sensor ...] section"},
        {"[bus]\nfault.openRefusedAfter = once\n",
         "test.ini: [bus] fault.openRefusedAfter: 'once' is not a number from 0 to 4294967295"},
        {"[bus]\nfault.busOffAtMs = 100\n",
         "test.ini: [bus] fault.busOffAtMs: needs fault.busOffForMs, how long the adapter stays bus-off"},
        {"[sensor a]\nerrorlog.memoryFile = missing.bin\n",
         "test.ini: [sensor a] errorlog.memoryFile: cannot read missing.bin"},
    };
    for (const auto& [text, message] : mistakes) {
        sim::Scenario other;
        EXPECT_FALSE(sim::parseScenario(text, "test.ini", other, error)) << text;
        EXPECT_EQ(error, message);
    }
}

// The string objects by index, the key's hexadecimal digits in either case; a text longer than
// its object takes is refused.
TEST(Scenario, StringObjectsAreReadAndTooLongTextsRefused)
{
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(sim::parseScenario("[sensor a]\nstring.1008 = IO module 8DI\nstring.100a = 2.07\n", "x.ini", scenario, error))
        << error;
    EXPECT_EQ(scenario.sensors.at(0).strings,
              (std::map<std::uint16_t, std::string>{{0x1008, "IO module 8DI"}, {0x100A, "2.07"}}));

    const std::string tooLong(65, 'x');
    EXPECT_FALSE(sim::parseScenario("[sensor a]\nstring.2F00 = " + tooLong + "\n", "test.ini", scenario, error));
    EXPECT_EQ(error, "test.ini: [sensor a] string.2F00: '" + tooLong + "' is longer than 64 bytes");
    EXPECT_FALSE(sim::parseScenario("[sensor a]\nstring.2000 = x\n", "test.ini", scenario, error));
    EXPECT_EQ(error, "test.ini: [sensor a] string.2000: unknown key");
}

// Foreign traffic: identifier (hexadecimal), length and period (fractions of a ms allowed).
TEST(Scenario, TrafficIsReadAndMalformedEntriesNamed)
{
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(sim::parseScenario("[bus]\ntraffic.1 = 0x080 8 2\ntraffic.2 = 0F0 0 2.5\n", "x.ini", scenario, error)) << error;
    ASSERT_EQ(scenario.bus.traffic.size(), 2u);
    EXPECT_EQ(scenario.bus.traffic[0].id, 0x080u);
    EXPECT_EQ(scenario.bus.traffic[0].length, 8);
    EXPECT_EQ(scenario.bus.traffic[0].period, sim::millis(2));
    EXPECT_EQ(scenario.bus.traffic[1].id, 0x0F0u);
    EXPECT_EQ(scenario.bus.traffic[1].period, 2500);

    const std::pair<const char*, const char*> mistakes[] = {
        {"0x800 8 2", "'0x800' is not an 11-bit identifier (hexadecimal, 0x000 to 0x7FF)"},
        {"0xG0 8 2", "'0xG0' is not an 11-bit identifier (hexadecimal, 0x000 to 0x7FF)"},
        {"0x080 9 2", "'9' is not a length from 0 to 8"},
        {"0x080 -1 2", "'-1' is not a length from 0 to 8"},
        {"0x080 8 0", "'0' is not a period from 0.1 to 3600000 ms"},
        {"0x080 8 -5", "'-5' is not a period from 0.1 to 3600000 ms"},
        {"0x080 8 2ms", "'2ms' is not a period from 0.1 to 3600000 ms"},
        {"0x080 8 0.05", "'0.05' is not a period from 0.1 to 3600000 ms"},
        {"0x080 8", "'0x080 8' is not: IDENTIFIER LENGTH PERIOD_MS"},
        {"0x080 8 2 1", "'0x080 8 2 1' is not: IDENTIFIER LENGTH PERIOD_MS"},
    };
    for (const auto& [value, message] : mistakes) {
        sim::Scenario other;
        EXPECT_FALSE(sim::parseScenario(std::string("[bus]\ntraffic.1 = 0x100 1 10\ntraffic.2 = ") + value + "\n", "test.ini",
                                        other, error))
            << value;
        EXPECT_EQ(error, std::string("test.ini: [bus] traffic.2: ") + message);
    }
}

// A sensor through the state file: its active and stored objects and its mapped memory. (A
// bootloader's flash comes back in FirmwareUpdateTest, over the state file of its run.)
TEST(SimState, SensorComesBackAsItWasSaved)
{
    SensorHarness node5(defaultSensor(5));
    node5.send(unlock5);
    for (const char* frame : {"605#2F00200006000000", "605#2310100173617665", "605#2B17100064000000"})
        node5.send(frame); // node ID 6 stored; heartbeat 100 ms only active
    std::map<std::string, sim::SensorState> loaded;
    std::string error;
    ASSERT_TRUE(sim::stateFromJson(sim::stateToJson({{"a", node5.sensor.saveState()}}), loaded, error)) << error;
    SensorHarness after5(defaultSensor(5));
    after5.sensor.loadState(loaded.at("a"), after5.now);
    EXPECT_EQ(after5.send("605#4017100000000000"), std::vector<std::string>{"585#4B17100064000000"});
    after5.send("000#8200");
    after5.advance(20);
    EXPECT_EQ(after5.send("606#4017100000000000"), std::vector<std::string>{"586#4B171000C8000000"});
    EXPECT_EQ(after5.sensor.memory(), node5.sensor.memory());
}

TEST(SimState, DamagedFilesAreRefused)
{
    for (const char* text :
         {"{\"format\": \"other\"}", "{\"format\": \"veldris-sim-state\", \"sensors\": {\"a\": {}}}", "not json"}) {
        std::map<std::string, sim::SensorState> loaded;
        std::string error;
        EXPECT_FALSE(sim::stateFromJson(text, loaded, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}
