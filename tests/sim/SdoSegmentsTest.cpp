// Segmented SDO transfers of the simulated sensor's string objects, frame by frame: uploads of
// the identity texts, downloads into the user text 0x2F00, the toggle bit checked on both
// sides, aborts and restarts in the middle of a transfer, and two servers at one node.

#include "sim/Scenario.h"
#include "sim/SimState.h"
#include "sim/VirtualBus.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <poll.h>

using Exchanges = std::vector<std::pair<std::string, std::string>>;

namespace {

sim::Scenario scenarioFile(const std::string& name)
{
    const std::string path = VELDRIS_SOURCE_DIR "/tests/scenarios/" + name;
    std::ifstream file(path);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    sim::Scenario scenario;
    std::string error;
    if (!sim::parseScenario(text, path, scenario, error))
        throw std::runtime_error(error);
    return scenario;
}

sim::SensorConfig scenarioSensor(const std::string& file, int node)
{
    for (const sim::SensorConfig& sensor : scenarioFile(file).sensors)
        if (sensor.nodeId == node)
            return sensor;
    throw std::runtime_error("no node " + std::to_string(node) + " in " + file);
}

} // namespace

// Texts of more than four bytes go in segments of seven, the last one saying how many bytes it
// carries; shorter ones expedited, with their size. A segment request after the last segment
// belongs to no transfer.
TEST(SdoSegments, UploadsOfTheIdentityTexts)
{
    const struct {
        const char* what;
        sim::SensorConfig sensor;
        Exchanges frames;
    } uploads[] = {
        {"device name 'VS-7 safety sensor'",
         defaultSensor(5),
         {{"605#4008100000000000", "585#4108100012000000"},
          {"605#6000000000000000", "585#0056532D37207361"},
          {"605#7000000000000000", "585#1066657479207365"},
          {"605#6000000000000000", "585#076E736F72000000"},
          {"605#7000000000000000", "585#8000000001000405"}}},
        {"hardware version '1.0', expedited", defaultSensor(5), {{"605#4009100000000000", "585#47091000312E3000"}}},
        {"software version '1.4.0.12', the firmware version",
         defaultSensor(5),
         {{"605#400A100000000000", "585#410A100008000000"},
          {"605#6000000000000000", "585#00312E342E302E31"},
          {"605#7000000000000000", "585#1D32000000000000"}}},
        {"user text 'plant A', one full last segment",
         defaultSensor(5),
         {{"605#40002F0000000000", "585#41002F0007000000"}, {"605#6000000000000000", "585#01706C616E742041"}}},
        {"no sub-index 1", defaultSensor(5), {{"605#4008100100000000", "585#8008100111000906"}}},
        {"an empty text: segmented, size 0",
         parsedSensor("string.1009 =\n"),
         {{"605#4009100000000000", "585#4109100000000000"}, {"605#6000000000000000", "585#0F00000000000000"}}},
        {"generic device at node 23: device name 'IO module 8DI', standard objects, no family UID",
         scenarioSensor("foreign.ini", 23),
         {{"617#4008100000000000", "597#410810000D000000"},
          {"617#6000000000000000", "597#00494F206D6F6475"},
          {"617#7000000000000000", "597#136C652038444900"},
          {"617#4000100000000000", "597#4300100094010000"},
          {"617#4018100100000000", "597#431810014B040000"},
          {"617#40002A0100000000", "597#80002A0100000206"}}},
    };
    for (const auto& [what, sensor, frames] : uploads) {
        SCOPED_TRACE(what);
        SensorHarness harness(sensor);
        expectExchanges(harness, frames);
    }
}

// The user text takes segmented downloads with or without the size, and expedited ones; "save"
// keeps it over a reset and in the state file, as every other writable value.
TEST(SdoSegments, DownloadIntoTheUserTextAndReadItBack)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {{"605#21002F000C000000", "585#60002F0000000000"}, // "line 3 north", 12 bytes
                            {"605#006C696E65203320", "585#2000000000000000"},
                            {"605#156E6F7274680000", "585#3000000000000000"}, // 5 bytes, last
                            {"605#40002F0000000000", "585#41002F000C000000"},
                            {"605#6000000000000000", "585#006C696E65203320"},
                            {"605#7000000000000000", "585#156E6F7274680000"},
                            {"000#8105", ""}});
    node5.advance(100); // reset node: the stored text comes back
    expectExchanges(node5, {{"605#40002F0000000000", "585#41002F0007000000"},
                            {"605#2B002F006F6B0000", "585#60002F0000000000"}, // expedited "ok"
                            {"605#40002F0000000000", "585#4B002F006F6B0000"},
                            {"605#20002F0000000000", "585#60002F0000000000"}, // size not indicated
                            {"605#0941424300000000", "585#2000000000000000"},
                            {"605#2310100173617665", "585#6010100100000000"}, // "save"
                            {"000#8105", ""}});
    node5.advance(100);
    expectExchanges(node5, {{"605#40002F0000000000", "585#47002F0041424300"}});

    std::map<std::string, sim::SensorState> loaded;
    std::string error;
    ASSERT_TRUE(sim::stateFromJson(sim::stateToJson({{"a", node5.sensor.saveState()}}), loaded, error)) << error;
    SensorHarness after(defaultSensor(5));
    after.sensor.loadState(loaded.at("a"), after.now);
    expectExchanges(after, {{"605#40002F0000000000", "585#47002F0041424300"}});
}

// Each refused download leaves the text as it was.
TEST(SdoSegments, DownloadsTheServerRefuses)
{
    const std::pair<const char*, Exchanges> refusals[] = {
        {"the identity texts are read-only",
         {{"605#2108100004000000", "585#8008100002000106"}, {"605#2F08100041000000", "585#8008100002000106"}}},
        {"more than 64 bytes announced", {{"605#21002F0041000000", "585#80002F0012000706"}}},
        {"fewer bytes than announced",
         {{"605#21002F0008000000", "585#60002F0000000000"}, {"605#0B41420000000000", "585#80002F0010000706"}}},
        {"the first segment with the toggle bit set",
         {{"605#21002F000E000000", "585#60002F0000000000"}, {"605#1041424344454647", "585#80002F0000000305"}}},
        {"a segment without a transfer", {{"605#0041424344454647", "585#8000000001000405"}}},
        {"an upload segment request in a download",
         {{"605#21002F000E000000", "585#60002F0000000000"}, {"605#6000000000000000", "585#80002F0001000405"}}},
    };
    for (const auto& [what, frames] : refusals) {
        SCOPED_TRACE(what);
        SensorHarness node5(defaultSensor(5));
        expectExchanges(node5, frames);
        expectExchanges(node5, {{"605#40002F0000000000", "585#41002F0007000000"}}); // still "plant A"
    }
}

// The toggle bit from both sides: the server aborts a client's repeated toggle, and with
// fault.sdoToggleError sends its own second segment with the wrong one, which the client
// answers with its abort.
TEST(SdoSegments, ToggleErrors)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {{"605#4008100000000000", "585#4108100012000000"},
                            {"605#6000000000000000", "585#0056532D37207361"},
                            {"605#6000000000000000", "585#8008100000000305"}});

    sim::SensorConfig faulty = defaultSensor(5);
    faulty.faults.sdoToggleError = true;
    SensorHarness wrong(faulty);
    expectExchanges(wrong, {{"605#4008100000000000", "585#4108100012000000"},
                            {"605#6000000000000000", "585#0056532D37207361"},
                            {"605#7000000000000000", "585#0066657479207365"}, // toggle 0 again
                            {"605#8008100000000305", ""},
                            {"605#6000000000000000", "585#8000000001000405"}}); // the abort ended it
    EXPECT_TRUE(parsedSensor("fault.sdoToggleError = on\n").faults.sdoToggleError);
}

// The client's abort ends the transfer without an answer; a new initiate in the middle of a
// transfer starts over with the new object.
TEST(SdoSegments, AbortAndRestartInTheMiddle)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {{"605#4008100000000000", "585#4108100012000000"},
                            {"605#6000000000000000", "585#0056532D37207361"},
                            {"605#8008100000000000", ""},
                            {"605#7000000000000000", "585#8000000001000405"},
                            {"605#4008100000000000", "585#4108100012000000"},
                            {"605#6000000000000000", "585#0056532D37207361"},
                            {"605#400A100000000000", "585#410A100008000000"},
                            {"605#6000000000000000", "585#00312E342E302E31"},
                            {"605#21002F000C000000", "585#60002F0000000000"},
                            {"605#6000000000000000", "585#80002F0001000405"}});
}

// Two sensors at node 5 (tests/scenarios/conflict.ini): every request gets two answers, each
// sensor keeping its own transfer.
TEST(SdoSegments, TwoSensorsAtOneNodeBothAnswer)
{
    sim::Scenario conflict = scenarioFile("conflict.ini");
    sim::VirtualBus bus(conflict.bus, std::move(conflict.sensors));
    bus.openPort(125);
    const auto answers = [&bus](const std::string& request) {
        bus.writeFrame(frameOf(request));
        std::vector<std::string> texts;
        sim::Frame frame;
        sim::Micros stamp = 0;
        for (pollfd event{bus.receiveEventFd(), POLLIN, 0}; texts.size() < 2;) {
            if (bus.readFrame(frame, stamp)) {
                if (frame.id == 0x585)
                    texts.push_back(textOf(frame));
            } else if (::poll(&event, 1, 10'000) != 1) {
                break;
            }
        }
        return texts;
    };
    EXPECT_EQ(answers("605#4018100400000000"), (std::vector<std::string>{"585#431810048A870100", "585#43181004A9890100"}));
    EXPECT_EQ(answers("605#4008100000000000"), (std::vector<std::string>{"585#4108100012000000", "585#4108100010000000"}));
    EXPECT_EQ(answers("605#6000000000000000"), (std::vector<std::string>{"585#0056532D37207361", "585#0056532D37207365"}));
}
