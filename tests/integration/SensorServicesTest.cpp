// The sensor services over the real client against the simulated sensors of
// tests/scenarios/services.ini: identity in both layouts, parameters with answers 0x43, 0x4B,
// 0x80 and none, node-ID and bit-rate changes, reconnection and the SRDO checksum.

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorConnection.h"
#include "sensor/SrdoChecksum.h"

#include "SimulatorTrace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace veldris;
using namespace std::string_literals;

namespace {

class SensorServices : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(client().connectAdapter(0, 3)); }

    static CanOpenClient& client()
    {
        static CanOpenClient shared;
        return shared;
    }

    // Chooses a node as the node list does (access code, UID, identity).
    static SensorInfo choose(int node) { return connectToSensor(client(), std::to_string(node)).sensor; }

    // Whether a node answers an SDO read of 0x1010:00, as the scan probes.
    static bool answers(int node)
    {
        return client().exchange(requests::sdoFrame(static_cast<std::uint8_t>(node), 0x40, 0x1010, 0), 30).answered();
    }
};

} // namespace

// The identity in both layouts, and of sensors that abort or stay silent: a read that gave no
// value shows the zero texts, never the abort code's bytes. The variant code is the character
// at position 7 of the UID text, read as a hexadecimal digit.
TEST_F(SensorServices, IdentityInBothLayoutsAndOfFailingSensors)
{
    const std::tuple<int, const char*, const char*> cases[] = {
        {5, "0x06102200 listed, variant 2: 1.4.0.12 -1 100234", nullptr}, // item FF FF FF FF
        {32, "0x12345a78 variant 10: 2.1.0.3 5012345 98765", nullptr},
        {40, "0x12345678 variant 6: 0.0.0.0 0 0",
         "aborted 0x2A0A:00 with 0x06020000 (Object does not exist in the object dictionary.)"},
        {41, "0x00000000 variant 0: 0.0.0.0 0 0", "did not answer 0x2A00:01"},
    };
    for (const auto& [node, identity, failure] : cases) {
        SCOPED_TRACE(node);
        const Connection connection = connectToSensor(client(), std::to_string(node));
        const IdentityReads& reads = connection.reads;
        const SensorInfo& s = connection.sensor;
        EXPECT_EQ(s.nodeId, std::to_string(node));
        EXPECT_EQ(s.uid + (s.uidListed ? " listed," : "") + " variant " + std::to_string(s.variantCode) + ": "
                      + s.firmwareVersion + " " + s.itemNumber + " " + s.serialNumber,
                  identity);
        EXPECT_EQ(reads.firstFailure() ? reads.firstFailure()->failure() : "", failure ? failure : "");
    }
}

// Every reading operation against a sensor that aborts its objects and one that is silent: the
// result names the object and what came, and carries no value.
TEST_F(SensorServices, ReadsOfFailingSensorsGiveNoValue)
{
    using Read = std::function<SdoResult(CanOpenClient&, const SensorInfo&)>;
    const std::pair<Read, const char*> reads[] = {
        {getHeartbeat, "0x1017:00"},
        {getTpdoMapping, "0x1A00:01"},
        {getTpdoCobId, "0x1800:01"},
        {getTpdoEventTimer, "0x1800:05"},
        {getCurrentError, "0x2A0C:00"},
        {[](CanOpenClient& c, const SensorInfo& s) { return setHeartbeat(c, s, 100); }, "0x1017:00"},
        {[](CanOpenClient& c, const SensorInfo& s) { return setTpdoCobId(c, s, 0x1A0); }, "0x1800:01"},
    };
    for (int node : {40, 41}) {
        const SensorInfo sensor = choose(node);
        for (const auto& [read, object] : reads) {
            SCOPED_TRACE(std::to_string(node) + " " + object);
            const SdoResult result = read(client(), sensor);
            EXPECT_EQ(result.kind, node == 40 ? SdoResult::Kind::Aborted : SdoResult::Kind::NoAnswer);
            EXPECT_EQ(result.object.text(), object);
            EXPECT_EQ(result.value, 0u);
            EXPECT_EQ(result.abortCode, node == 40 ? 0x06020000u : 0u);
        }
    }
    const SrdoConfiguration silent = loadSrdoConfiguration(client(), 41);
    EXPECT_EQ(silent.values, SrdoValues{});
    ASSERT_TRUE(silent.failure);
    EXPECT_EQ(silent.failure->failure(), "did not answer 0x1301:01");
    EXPECT_FALSE(readSrdoChecksum(client(), 41).uploaded());
}

// Node 32's TPDO is not valid at first: setting its COB-ID makes it valid.
TEST_F(SensorServices, ParametersOfAnAnsweringSensor)
{
    const SensorInfo s5 = choose(5);
    CanOpenClient& c = client();
    EXPECT_TRUE(setHeartbeat(c, s5, 250).confirmed());
    const SdoResult heartbeat = getHeartbeat(c, s5);
    EXPECT_EQ(heartbeat.size, 2);
    EXPECT_EQ(heartbeat.value, 250u);
    EXPECT_EQ(byteText(valueBytes(getTpdoMapping(c, s5))), "71 30 01 10 ");
    EXPECT_EQ(getTpdoEventTimer(c, s5).value, 100u);
    EXPECT_TRUE(setTpdoEventTimer(c, s5, 50).confirmed());
    EXPECT_EQ(getTpdoEventTimer(c, s5).value, 50u);
    EXPECT_EQ(byteText(srdoCobIdBytes(getSrdoCobId(c, s5))), "01 01 ");
    EXPECT_EQ(unitText(readUnit(c, s5, 0x71).value), "kN");
    EXPECT_EQ(getCurrentError(c, s5).value, 0x10u);
    const SdoResult digits = readDecimalDigits(c, s5);
    EXPECT_EQ(digits.value, 3u);

    const SensorInfo s32 = choose(32);
    EXPECT_EQ(byteText(valueBytes(getTpdoCobId(c, s32))), "80 00 01 A0 ");
    EXPECT_TRUE(setTpdoCobId(c, s32, 0x1A0).confirmed());
    EXPECT_EQ(byteText(valueBytes(getTpdoCobId(c, s32))), "00 00 01 A0 ");
}

// A change writes the new value, stores it and resets the communication of all nodes, in that
// order, each only after the one before was confirmed; a refused write ends it. The current
// value or one out of range sends nothing at all. The sensor takes a new node ID or bit rate
// only when it was stored.
TEST_F(SensorServices, NodeIdAndBitrateChangesOnTheBus)
{
    using R = ChangeResult;
    const char* const store = "2310100173617665"; // "save" to 0x1010:01
    struct Case {
        int chosen; // given its access code first; 0: none
        std::function<ChangeResult()> change;
        ChangeResult result;
        std::vector<std::string> requests;
        int answering = 5, gone = 0; // nodes that answer, and no longer answer, afterwards
    } cases[] = {
        {42,
         [] { return changeNodeId(client(), 42, 44); },
         R::NotStored,
         {"62A#2F0020002C000000", "62A#"s + store, "000#8200"},
         42,
         44},
        {42,
         [] { return changeBitrate(client(), 42, 3, 2); },
         R::NotStored,
         {"62A#2B012000FA000000", "62A#"s + store, "000#8200"},
         42},
        {32,
         [] { return changeNodeId(client(), 32, 33); },
         R::Changed,
         {"620#2F00200021000000", "620#"s + store, "000#8200"},
         33,
         32},
        {40, [] { return changeNodeId(client(), 40, 45); }, R::Refused, {"628#2F0020002D000000"}},
        {0, [] { return changeBitrate(client(), 41, 3, 2); }, R::Refused, {"629#2B012000FA000000"}},
        {0, [] { return changeNodeId(client(), 5, 5); }, R::Unchanged, {}},
        {0, [] { return changeNodeId(client(), 5, 128); }, R::OutOfRange, {}},
        {0, [] { return changeBitrate(client(), 5, 3, 3); }, R::Unchanged, {}},
        {0, [] { return changeBitrate(client(), 5, 3, 6); }, R::OutOfRange, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        if (c.chosen)
            choose(c.chosen);
        const std::uintmax_t offset = traceSize();
        EXPECT_EQ(c.change(), c.result);
        EXPECT_TRUE(answers(c.answering)); // its answer orders every frame before it into the trace
        std::vector<std::string> requests; // the frames to 0x000 and 0x600 + node
        for (const std::string& frame : tracedFrames(offset))
            if (frame.rfind("000#", 0) == 0 || frame[0] == '6')
                requests.push_back(frame);
        requests.pop_back(); // the probe
        EXPECT_EQ(requests, c.requests);
        EXPECT_FALSE(c.gone && answers(c.gone));
    }
}

// The SRDO checksum of a changed configuration, and reconnecting: a safety sensor's
// configuration must be valid after the reset.
TEST_F(SensorServices, ChecksumOfAChangedConfigurationAndReconnect)
{
    const SensorInfo s5 = choose(5);
    CanOpenClient& c = client();
    SrdoValues values = loadSrdoConfiguration(c, 5).values;
    EXPECT_EQ(values, (SrdoValues{1, 25, 20, 0x101, 0x102, 2, 0x71300110, 0x71300110}));
    EXPECT_EQ(readSrdoChecksum(c, 5).value, 0xCF62u);

    ASSERT_EQ(c.exchange(requests::sdoFrame(5, 0x2B, 0x1301, 2, 50), 30).answer.data[0], 0x60); // a new cycle time
    // The old checksum is written, but the sensor refuses the valid mark for it.
    EXPECT_EQ(writeSrdoChecksum(c, 5, 0xCF62).kind, SdoResult::Kind::Aborted);
    EXPECT_EQ(readSrdoChecksum(c, 5).value, 0xCF62u);

    values = loadSrdoConfiguration(c, 5).values;
    EXPECT_EQ(values[1], 50u);
    EXPECT_TRUE(saveSrdoChecksum(c, 5, values).confirmed());
    EXPECT_EQ(readSrdoChecksum(c, 5).value, computeSrdoChecksum(values));
    EXPECT_EQ(reconnectSensor(c, s5), ReconnectResult::Done); // stored: valid after the reset too

    const SensorInfo s43 = choose(43);
    EXPECT_FALSE(saveSrdoChecksum(c, 43, loadSrdoConfiguration(c, 43).values).confirmed());
    EXPECT_EQ(reconnectSensor(c, s43), ReconnectResult::ConfigurationRefused);
    SensorInfo s41 = choose(41);
    s41.variantCode = 2;
    EXPECT_EQ(reconnectSensor(c, s41), ReconnectResult::NoAnswer);
    EXPECT_EQ(reconnectSensor(c, choose(32)), ReconnectResult::Done); // not a safety sensor: nothing to validate
}

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::setenv("VELDRIS_SIM_SCENARIO", VELDRIS_SOURCE_DIR "/tests/scenarios/services.ini", 1);
    traceTheSimulatedBus();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
