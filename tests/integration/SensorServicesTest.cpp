// The sensor services over the real client against the simulated sensors of
// tests/scenarios/services.ini: identity in both layouts, parameters with answers 0x43, 0x4B,
// 0x80 and none, node-ID and bit-rate changes, reconnection and the SRDO checksum.

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorConnection.h"
#include "sensor/SrdoChecksum.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace veldris;

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
    static void choose(int node) { connectToSensor(client(), std::to_string(node)); }

    // Whether a node answers an SDO read of 0x1010:00, as the scan probes.
    static bool answers(int node)
    {
        return client().exchange(requests::sdoFrame(static_cast<std::uint8_t>(node), 0x40, 0x1010, 0), 30).answered();
    }
};

} // namespace

// Both layouts, and sensors that abort (the abort code's bytes are read as the value: any
// answer is) or stay silent (zero texts).
TEST_F(SensorServices, Identity)
{
    struct Case {
        int node;
        const char* uid;
        bool listed;
        int variant; // the character at position 7 of the UID text, read as a hexadecimal digit
        const char* firmware;
        const char* item;
        const char* serial;
    } cases[] = {
        {5, "0x06102200", true, 2, "1.4.0.12", "-1", "100234"}, // item FF FF FF FF
        {32, "0x12345a78", false, 10, "2.1.0.3", "5012345", "98765"},
        {40, "0x12345678", false, 6, "6.2.0.0", "100794368", "0"},
        {41, "0x00000000", false, 0, "0.0.0.0", "0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        choose(c.node);
        const SensorInfo& sensor = connectedSensor();
        EXPECT_EQ(sensor.nodeId, std::to_string(c.node));
        EXPECT_EQ(sensor.uid, c.uid);
        EXPECT_EQ(sensor.uidListed, c.listed);
        EXPECT_EQ(sensor.variantCode, c.variant);
        EXPECT_EQ(sensor.firmwareVersion, c.firmware);
        EXPECT_EQ(sensor.itemNumber, c.item);
        EXPECT_EQ(sensor.serialNumber, c.serial);
    }
    EXPECT_EQ(loadSrdoConfiguration(client(), 41), SrdoValues{});
    EXPECT_EQ(readSrdoChecksum(client(), 41), 0u);
}

TEST_F(SensorServices, ParametersOfAnAnsweringSensor)
{
    choose(5);
    CanOpenClient& c = client();
    EXPECT_EQ(getHeartbeat(c), 1000);
    EXPECT_TRUE(setHeartbeat(c, 250));
    EXPECT_EQ(getHeartbeat(c), 250);
    EXPECT_EQ(byteText(getTpdoMappingBytes(c)), "71 30 01 10 ");
    EXPECT_EQ(byteText(getTpdoCobIdBytes(c)), "00 00 01 85 ");
    EXPECT_EQ(getTpdoTransmissionType(c), 254u);
    EXPECT_EQ(getTpdoEventTimer(c), 100u);
    EXPECT_TRUE(setTpdoEventTimer(c, 50));
    EXPECT_EQ(getTpdoEventTimer(c), 50u);
    EXPECT_EQ(byteText(getSrdoMappingBytes(c)), "71 30 01 10 ");
    EXPECT_EQ(byteText(getSrdoCobIdBytes(c)), "01 01 ");
    EXPECT_EQ(getSrdoCycleTime(c), 25u);
    EXPECT_EQ(readDecimalDigits(c), 3u);
    EXPECT_EQ(readUnitText(c, 0x71), "kN");
    EXPECT_EQ(getCurrentError(c), 0x10);
}

TEST_F(SensorServices, TpdoActivation)
{
    choose(32);
    CanOpenClient& c = client();
    EXPECT_EQ(byteText(getTpdoCobIdBytes(c)), "80 00 01 A0 ");
    EXPECT_EQ(readUnitText(c, 0x61), "\xB0");
    EXPECT_TRUE(setTpdoCobId(c, 0x1A0));
    EXPECT_EQ(byteText(getTpdoCobIdBytes(c)), "00 00 01 A0 ");
    EXPECT_TRUE(setTpdoCobId(c, 0)); // 0 means 0x180 + node ID
    EXPECT_EQ(byteText(getTpdoCobIdBytes(c)), "00 00 01 A0 ");
}

TEST_F(SensorServices, ParametersOfAnAbortingOrSilentSensor)
{
    for (int node : {40, 41}) {
        SCOPED_TRACE(node);
        choose(node);
        CanOpenClient& c = client();
        EXPECT_EQ(getHeartbeat(c), -1);
        EXPECT_FALSE(setHeartbeat(c, 100));
        EXPECT_TRUE(getTpdoMappingBytes(c).empty());
        EXPECT_TRUE(getTpdoCobIdBytes(c).empty());
        EXPECT_FALSE(setTpdoCobId(c, 0x1A0));
        EXPECT_EQ(getCurrentError(c), -1);
        EXPECT_EQ(readUnitText(c, 0x71), "");
        // Plain numbers hand up whatever the answer holds: the abort code, or 0 without answer.
        EXPECT_EQ(getTpdoEventTimer(c), node == 40 ? 0x06020000u : 0u);
    }
}

TEST_F(SensorServices, NodeIdChangeTakesEffectOnlyWhenStored)
{
    choose(42);
    EXPECT_EQ(changeNodeId(client(), 42, 44), ChangeResult::NotStored); // waits out the reset
    EXPECT_TRUE(answers(42)); // back with its old node ID after the reset
    EXPECT_FALSE(answers(44));

    choose(32);
    EXPECT_EQ(changeNodeId(client(), 32, 33), ChangeResult::Changed);
    EXPECT_TRUE(answers(33));
    EXPECT_FALSE(answers(32));

    choose(40);
    EXPECT_EQ(changeNodeId(client(), 40, 45), ChangeResult::Refused);
    EXPECT_EQ(changeBitrate(client(), 41, 2), ChangeResult::Refused);
}

TEST_F(SensorServices, Reconnect)
{
    choose(43);
    EXPECT_EQ(reconnectSensor(client()), -1); // the sensor refuses its configuration
    choose(41);
    connectedSensor().variantCode = 2;
    EXPECT_EQ(reconnectSensor(client()), -2); // no answer
    choose(5);
    EXPECT_EQ(reconnectSensor(client()), 0);
    choose(32);
    EXPECT_EQ(reconnectSensor(client()), 0); // not a safety sensor: nothing to validate
}

TEST_F(SensorServices, ChecksumOfAChangedConfiguration)
{
    choose(5);
    CanOpenClient& c = client();
    SrdoValues values = loadSrdoConfiguration(c, 5);
    EXPECT_EQ(values, (SrdoValues{1, 25, 20, 0x101, 0x102, 2, 0x71300110, 0x71300110}));
    EXPECT_EQ(readSrdoChecksum(c, 5), 0xCF62u);
    EXPECT_EQ(computeSrdoChecksum(values), 0xCF62);

    ASSERT_EQ(c.exchange(requests::sdoFrame(5, 0x2B, 0x1301, 2, 50), 30).answer.data[0], 0x60); // a new cycle time
    // The old checksum is written, but the sensor refuses the valid mark for it.
    EXPECT_FALSE(writeSrdoChecksum(c, 5, 0xCF62));
    EXPECT_EQ(readSrdoChecksum(c, 5), 0xCF62u);

    values = loadSrdoConfiguration(c, 5);
    EXPECT_EQ(values[1], 50u);
    EXPECT_TRUE(saveSrdoChecksum(c, 5, values));
    EXPECT_EQ(readSrdoChecksum(c, 5), computeSrdoChecksum(values));
    EXPECT_EQ(reconnectSensor(c), 0); // stored: valid after the reset too

    choose(43);
    EXPECT_FALSE(saveSrdoChecksum(c, 43, loadSrdoConfiguration(c, 43)));
}

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::setenv("VELDRIS_SIM_SCENARIO", VELDRIS_SOURCE_DIR "/tests/scenarios/services.ini", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
