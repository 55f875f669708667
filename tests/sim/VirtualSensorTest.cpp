// The simulated sensor, frame in and frame out: SDO server in both object layouts, access
// code, store and reset, NMT with its cyclic frames, SRDO validity, bootloader and faults.

#include "sim/SrdoChecksum.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

using Frames = std::vector<std::string>;

namespace {

struct Exchange {
    std::string request;
    std::string answer; // empty: no answer
};

void expectExchanges(SensorHarness& harness, const std::vector<Exchange>& exchanges)
{
    for (const Exchange& e : exchanges) {
        SCOPED_TRACE(e.request);
        EXPECT_EQ(harness.send(e.request), e.answer.empty() ? Frames{} : Frames{e.answer});
    }
}

std::string codeRequest(int node, const char* object, std::uint32_t code)
{
    char text[40];
    std::snprintf(text, sizeof text, "%03X#23%s%02X%02X%02X%02X", 0x600 + node, object, code & 0xFF,
                  code >> 8 & 0xFF, code >> 16 & 0xFF, code >> 24);
    return text;
}

const std::string unlock5 = codeRequest(5, "002800", veldris::firmwareUnlockCode);

std::vector<std::string> framesOf(const std::vector<sim::Transmission>& frames, std::uint32_t id)
{
    std::vector<std::string> texts;
    for (const sim::Transmission& tx : frames)
        if (tx.frame.id == id)
            texts.push_back(textOf(tx.frame));
    return texts;
}

} // namespace

TEST(VirtualSensor, ListedLayoutAnswersItsObjects)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#4010100000000000", "585#4F10100001000000"}, // 0x1010:00, the scan probe
        {"605#40002A0100000000", "585#43002A0100221006"}, // UID 0x06102200
        {"605#4000360000000000", "585#430036000C000401"}, // firmware 1.4.0.12
        {"605#4000280C00000000", "585#4300280C59E24700"}, // item number, in the mapped memory
        {"605#400128348A870100", "585#430128348A870100"}, // serial number; request bytes 4..7 ignored
        {"605#4000390000000000", "585#4300390000000000"}, // current error
        {"605#4017100000000000", "585#4B171000C8000000"}, // heartbeat 200 ms, two bytes
        {"605#4000180100000000", "585#4300180185010000"}, // TPDO 1 COB-ID
        {"605#4000180200000000", "585#4F001802FE000000"}, // transmission type 254, one byte
        {"605#4000180500000000", "585#4B00180564000000"}, // event timer 100 ms
        {"605#40001A0100000000", "585#43001A0110013071"}, // mapping 0x7130:01, 16 bits
        {"605#4030710100000000", "585#4B307101D2040000"}, // process value 12.34 with 2 decimals
        {"605#4031710100000000", "585#4331710100004E00"}, // unit: bar
        {"605#4032710100000000", "585#4332710102000000"}, // decimal digits
        {"605#4001130200000000", "585#4B01130219000000"}, // SRDO cycle time 25 ms
        {"605#4001130500000000", "585#4301130501010000"}, // SRDO COB-ID 1
        {"605#40FF130100000000", "585#4BFF130162CF0000"}, // checksum matching the configuration
    });
}

TEST(VirtualSensor, UnlistedLayoutUsesItsOwnObjects)
{
    SensorHarness node32(defaultSensor(32));
    expectExchanges(node32, {
        {"620#40002A0100000000", "5A0#43002A0178563412"},
        {"620#400A2A0000000000", "5A0#430A2A0003000102"}, // firmware 2.1.0.3
        {"620#4000284400000000", "5A0#43002844797B4C00"}, // item number
        {"620#4000284800000000", "5A0#43002848CD810100"}, // serial number
        {"620#400C2A0000000000", "5A0#430C2A0004000000"}, // current error
        {"620#4030610100000000", "5A0#433061010000C542"}, // process value 98.5 as a float
        {"620#4000360000000000", "5A0#8000360000000206"}, // the listed layout's objects are missing
        {"620#40FF130100000000", "5A0#80FF130100000206"}, // no SRDO on this sensor
    });
}

TEST(VirtualSensor, AbortsWithCiA301Codes)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#4000210000000000", "585#8000210001000106"}, // access code is write-only
        {"605#4000600000000000", "585#8000600000000206"}, // no such object
        {"605#4000180400000000", "585#8000180411000906"}, // no such sub-index
        {"605#23002A0100000000", "585#80002A0102000106"}, // UID is read-only
        {"605#23171000E8030000", "585#8017100010000706"}, // four bytes into a two-byte object
        {"605#21171000E8030000", "585#8017100001000405"}, // segmented transfers are not served
        {"605#E000000000000000", "585#8000000001000405"}, // unknown command
        {"605#80171000E8030000", ""},                     // an abort from the client ends nothing
        {"605#40FF28FC00000000", "585#43FF28FCFFFFFFFF"}, // last word of the mapped memory
        {"605#40FF28FD00000000", "585#80FF28FD11000906"}, // past its end
        {"606#4010100000000000", ""},                     // another node's request
        {"605#2B171000E8030000", "585#6017100000000000"}, // heartbeat 1000 ms
        {"605#4017100000000000", "585#4B171000E8030000"},
    });
}

TEST(VirtualSensor, ProtectedWritesNeedTheAccessCode)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#2F00200006000000", "585#8000200020000008"}, // locked
        {codeRequest(5, "002100", 0x01020304), "585#8000210020000008"},
        {accessRequest(5), "585#6000210000000000"},
        {"605#2F00200000000000", "585#8000200030000906"}, // node ID 0
        {"605#2F00200080000000", "585#8000200030000906"}, // node ID 128
        {"605#2F00200006000000", "585#6000200000000000"},
        {"605#2B0120007B000000", "585#8001200030000906"}, // 123 kbit/s
    });
}

TEST(VirtualSensor, StoredNodeIdAndBitrateTakeEffectAtReset)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {accessRequest(5), "585#6000210000000000"},
        {"605#2F00200006000000", "585#6000200000000000"},
        {"605#2B012000FA000000", "585#6001200000000000"},
        {"605#2310100173617665", "585#6010100100000000"}, // "save"
        {"000#8200", ""},
    });
    const auto booted = node5.advance(20);
    ASSERT_FALSE(booted.empty());
    EXPECT_EQ(textOf(booted.front().frame), "706#00"); // boot-up under the new node ID
    EXPECT_EQ(booted.front().at, node5.now);
    EXPECT_EQ(node5.sensor.bitrateKbit(), 250);
    expectExchanges(node5, {
        {"605#4010100000000000", ""},
        {"606#4010100000000000", "586#4F10100001000000"},
        {"606#2F00200007000000", "586#8000200020000008"}, // the reset locked the sensor again
    });
}

TEST(VirtualSensor, UnstoredChangesAreUndoneByReset)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {accessRequest(5), "585#6000210000000000"},
        {"605#2F00200006000000", "585#6000200000000000"},
        {"605#2B17100064000000", "585#6017100000000000"},
        {"000#8200", ""},
    });
    EXPECT_EQ(framesOf(node5.advance(20), 0x705), Frames{"705#00"});
    expectExchanges(node5, {{"605#4017100000000000", "585#4B171000C8000000"}});
}

TEST(VirtualSensor, CyclicFramesFallOnExactMultiplesOfTheirPeriod)
{
    SensorHarness node5(defaultSensor(5), sim::millis(1'000'000) + 1234); // not on a period boundary
    node5.send("000#0105");
    const auto frames = node5.advance(1000);
    const std::pair<std::uint32_t, std::int64_t> periods[] = {{0x185, 100}, {0x705, 200}, {0x101, 25}, {0x102, 25}};
    for (const auto& [id, periodMs] : periods) {
        int count = 0;
        for (const sim::Transmission& tx : frames) {
            if (tx.frame.id != id)
                continue;
            ++count;
            EXPECT_EQ(tx.at % sim::millis(periodMs), 0) << std::hex << id;
        }
        EXPECT_EQ(count, 1000 / periodMs) << std::hex << id;
    }
    EXPECT_EQ(framesOf(frames, 0x185).front(), "185#D204");
    EXPECT_EQ(framesOf(frames, 0x101).front(), "101#D204");
    EXPECT_EQ(framesOf(frames, 0x102).front(), "102#2DFB"); // inverted data
    EXPECT_EQ(framesOf(frames, 0x705).front(), "705#05");

    node5.send("000#8000");
    const auto preOperational = node5.advance(1000);
    EXPECT_TRUE(framesOf(preOperational, 0x185).empty());
    EXPECT_TRUE(framesOf(preOperational, 0x101).empty());
    EXPECT_EQ(framesOf(preOperational, 0x705), Frames(5, "705#7F"));
}

// The timing faults: other periods than the objects say, and frames off their instants.
TEST(VirtualSensor, CyclicFramesAtAFaultsPeriodAndWithJitter)
{
    sim::SensorConfig config = defaultSensor(5);
    config.faults.tpdoPeriodMs = 111;
    config.faults.heartbeatPeriodMs = 70;
    config.faults.srdoPeriodMs = 30;
    SensorHarness late(config, sim::millis(1'000'000));
    late.send("000#0105");
    const auto frames = late.advance(2000);
    for (const auto& [id, periodMs] : {std::pair{0x185u, 111}, std::pair{0x705u, 70}, std::pair{0x101u, 30}}) {
        std::vector<sim::Micros> stamps;
        for (const sim::Transmission& tx : frames)
            if (tx.frame.id == id)
                stamps.push_back(tx.at);
        ASSERT_GE(stamps.size(), 2u) << std::hex << id;
        EXPECT_EQ(stamps[1] - stamps[0], sim::millis(periodMs)) << std::hex << id;
    }

    config = defaultSensor(5);
    config.faults.jitterMs = 3;
    SensorHarness shaky(config, sim::millis(1'000'000));
    shaky.send("000#0105");
    int offBeat = 0;
    for (const sim::Transmission& tx : shaky.advance(2000)) {
        if (tx.frame.id != 0x185)
            continue;
        const sim::Micros off = (tx.at + sim::millis(50)) % sim::millis(100) - sim::millis(50); // from the nearest multiple
        EXPECT_LE(std::llabs(off), sim::millis(3));
        offBeat += off != 0;
    }
    EXPECT_GT(offBeat, 0);
}

TEST(VirtualSensor, ChangedSrdoConfigurationMustBeConfirmedBeforeStart)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {accessRequest(5), "585#6000210000000000"},
        {"605#2B01130232000000", "585#6001130200000000"}, // cycle time 50 ms
        {"605#40FE130000000000", "585#4FFE130000000000"}, // no longer marked valid
        {"605#2FFE1300A5000000", "585#80FE130022000008"}, // the old checksum does not match
        {"000#0105", ""},
    });
    EXPECT_EQ(node5.sensor.nmtState(), sim::NmtState::PreOperational);
    EXPECT_TRUE(framesOf(node5.advance(200), 0x185).empty());
    expectExchanges(node5, {
        {"605#2BFF1301044D0000", "585#60FF130100000000"}, // checksum of the new configuration
        {"605#2FFE1300A5000000", "585#60FE130000000000"},
        {"000#0105", ""},
    });
    EXPECT_EQ(framesOf(node5.advance(200), 0x101).size(), 4u);
}

TEST(VirtualSensor, RefusedSrdoStartFault)
{
    sim::SensorConfig config = defaultSensor(5);
    config.faults.refuseSrdoStart = true;
    SensorHarness node5(config);
    expectExchanges(node5, {
        {accessRequest(5), "585#6000210000000000"},
        {"605#2FFE1300A5000000", "585#80FE130022000008"},
        {"000#0105", ""},
    });
    EXPECT_EQ(node5.sensor.nmtState(), sim::NmtState::PreOperational);
}

TEST(VirtualSensor, TpdoCobIdChangesOnlyWhileThePdoIsNotValid)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#2300180186010000", "585#8000180130000906"},
        {"605#2300180100000080", "585#6000180100000000"},
        {"605#2300180186010000", "585#6000180100000000"},
        {"605#4000180100000000", "585#4300180186010000"},
    });
}

TEST(SrdoChecksum, KnownValues)
{
    struct Case {
        std::uint32_t values[8];
        std::uint16_t checksum;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, 0x2BC6},
        {{1, 0x19, 0x14, 0x101, 0x102, 2, 0x1008, 0x2008}, 0xD204},
        {{0x100, 0, 0, 0, 0, 0, 0, 0}, 0x0000},   // too wide: nothing fed
        {{1, 0x10000, 0, 0, 0, 0, 0, 0}, 0x1021}, // only the first byte fed
    };
    for (const Case& c : cases)
        EXPECT_EQ(sim::srdoChecksum(c.values), c.checksum);
}

TEST(VirtualSensor, BootloaderWritesTheImageIntoFlash)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#23003A0000000000", "585#80003A0020000008"}, // not unlocked
        {codeRequest(5, "002800", 0x11111111), "585#8000280020000008"},
        {unlock5, "585#6000280000000000"},
        {"605#23003A0000000000", "585#60003A0000000000"},
    });
    ASSERT_TRUE(node5.sensor.inBootloader());
    EXPECT_EQ(node5.sensor.bitrateKbit(), 125);
    expectExchanges(node5, {
        {"605#4010100000000000", ""}, // the application is gone
        {"07F#61", "07F#610059"},
        {"07F#53", "07F#53004B5652323030"}, // "KVR200"
        {"07F#65", "07F#650059"},
    });
    EXPECT_EQ(node5.last.front().at, node5.now + sim::millis(200)); // erasing takes its time
    expectExchanges(node5, {
        {"07F#410000010000", "07F#410000010000"},     // address 0x100
        {"07F#630001000002AABB", "07F#630001000002AABB"},
        {"07F#6300CCDD", "07F#6300CCDD"},             // a short last frame
        {"07F#42", "07F#420059"},
    });
    EXPECT_EQ(node5.sensor.flashBytes(0x100, 9),
              (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0xFF}));
    EXPECT_EQ(framesOf(node5.advance(50), 0x705), Frames{"705#00"});
    // The application reports the version now in flash at 0x100.
    expectExchanges(node5, {{"605#4000360000000000", "585#4300360001000002"}});
}

TEST(VirtualSensor, BootloaderFaults)
{
    sim::SensorConfig config = defaultSensor(32);
    config.startInBootloader = true;
    config.faults.bootloaderEchoLimit = 1;
    config.faults.bootloaderId = "WRONG1";
    SensorHarness node32(config);
    expectExchanges(node32, {
        {"07F#61", "07F#610059"},
        {"07F#53", "07F#530057524F4E4731"},
        {"07F#6300010203040506", "07F#6300010203040506"},
        {"07F#6300070809101112", ""}, // stopped echoing
    });
}

TEST(VirtualSensor, Faults)
{
    sim::SensorConfig aborting = defaultSensor(5);
    aborting.faults.abortObjects = {0x101700};
    aborting.faults.abortCode = 0x08000000;
    SensorHarness abortingSensor(aborting);
    expectExchanges(abortingSensor, {{"605#4017100000000000", "585#8017100000000008"}});

    sim::SensorConfig late = defaultSensor(5);
    late.faults.answerDelayMs = 40;
    SensorHarness lateSensor(late);
    lateSensor.send("605#4017100000000000");
    ASSERT_EQ(lateSensor.last.size(), 1u);
    EXPECT_EQ(lateSensor.last.front().at, lateSensor.now + sim::millis(40));

    sim::SensorConfig silent = defaultSensor(5);
    silent.faults.silent = true;
    SensorHarness silentSensor(silent);
    expectExchanges(silentSensor, {{"605#4017100000000000", ""}});
    EXPECT_EQ(silentSensor.sensor.nextDue(), sim::never);

    sim::SensorConfig lossy = defaultSensor(5);
    lossy.faults.lossPercent = 100;
    SensorHarness lossySensor(lossy);
    expectExchanges(lossySensor, {{"605#4017100000000000", ""}});
    EXPECT_TRUE(lossySensor.advance(1000).empty());

    sim::SensorConfig leaving = defaultSensor(5);
    leaving.faults.leaveBusAfterS = 1;
    SensorHarness leavingSensor(leaving);
    expectExchanges(leavingSensor, {{"605#4017100000000000", "585#4B171000C8000000"}});
    EXPECT_EQ(framesOf(leavingSensor.advance(2000), 0x705).size(), 4u); // heartbeats before it left
    expectExchanges(leavingSensor, {{"605#4017100000000000", ""}});
}

TEST(VirtualSensor, ErrorLogLiesAtItsAddressInTheMappedMemory)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#4010280000000000", "585#4310280042530000"}, // page 0: full, older ('B', 'S')
        {"605#4010280400000000", "585#4310280443000000"}, // first entry: special 'C'
        {"605#4010284000000000", "585#4310284043FF0000"}, // page 1: current ('C')
    });
}
