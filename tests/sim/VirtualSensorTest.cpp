// The simulated sensor, frame in and frame out: SDO server in both object layouts, access
// code, store and reset, NMT with its cyclic frames, SRDO validity, bootloader and faults.
// The identity objects and most parameters are also read through the real client in
// SensorServicesTest; here is what those reads cannot tell apart (the item number in the
// mapped memory, request bytes the sensor ignores), the answers' sizes and the aborts.

#include "sim/SrdoChecksum.h"

#include "SensorHarness.h"

#include <gtest/gtest.h>

#include <functional>

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

std::vector<std::string> framesOf(const std::vector<sim::Transmission>& frames, std::uint32_t id)
{
    std::vector<std::string> texts;
    for (const sim::Transmission& tx : frames)
        if (tx.frame.id == id)
            texts.push_back(textOf(tx.frame));
    return texts;
}

sim::SensorConfig withFaults(const std::function<void(sim::SensorFaults&)>& set, int node = 5)
{
    sim::SensorConfig config = defaultSensor(node);
    set(config.faults);
    return config;
}

} // namespace

TEST(VirtualSensor, ListedLayoutAnswersItsObjects)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#4010100000000000", "585#4F10100001000000"}, // 0x1010:00, the scan probe, one byte
        {"605#4000280C00000000", "585#4300280C59E24700"}, // item number, in the mapped memory
        {"605#400128348A870100", "585#430128348A870100"}, // serial number; request bytes 4..7 ignored
        {"605#4017100000000000", "585#4B171000C8000000"}, // heartbeat 200 ms, two bytes
        {"605#4030710100000000", "585#4B307101D2040000"}, // process value 12.34 with 2 decimals
    });
}

TEST(VirtualSensor, UnlistedLayoutUsesItsOwnObjects)
{
    SensorHarness node32(defaultSensor(32));
    expectExchanges(node32, {
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
    });
}

TEST(VirtualSensor, ProtectedWritesNeedTheAccessCode)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#2F00200006000000", "585#8000200020000008"}, // locked
        {"605#2300210004030201", "585#8000210020000008"}, // a wrong access code
        {accessRequest(5), "585#6000210000000000"},
        {"605#2F00200000000000", "585#8000200030000906"}, // node ID 0
        {"605#2F00200080000000", "585#8000200030000906"}, // node ID 128
        {"605#2F00200006000000", "585#6000200000000000"},
        {"605#2B0120007B000000", "585#8001200030000906"}, // 123 kbit/s
    });
}

// What was stored comes into effect at the reset (node ID, bit rate); what was only written
// (the heartbeat after the store) is undone by it.
TEST(VirtualSensor, ResetBringsBackWhatWasStored)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {accessRequest(5), "585#6000210000000000"},
        {"605#2F00200006000000", "585#6000200000000000"},
        {"605#2B012000FA000000", "585#6001200000000000"},
        {"605#2310100173617665", "585#6010100100000000"}, // "save"
        {"605#2B17100064000000", "585#6017100000000000"}, // heartbeat 100 ms, not stored
        {"000#8200", ""},
    });
    const auto booted = node5.advance(20);
    ASSERT_FALSE(booted.empty());
    EXPECT_EQ(textOf(booted.front().frame), "706#00"); // boot-up under the new node ID
    EXPECT_EQ(booted.front().at, node5.now);
    EXPECT_EQ(node5.sensor.bitrateKbit(), 250);
    expectExchanges(node5, {
        {"605#4010100000000000", ""},
        {"606#4017100000000000", "586#4B171000C8000000"},
        {"606#2F00200007000000", "586#8000200020000008"}, // the reset locked the sensor again
    });
}

// Frames at a fault's period follow the same schedule; DiagnosisTest measures such sensors.
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

// Only the unlock code opens the way into the bootloader. (Its protocol, the flash it writes and
// the faults of its ID and echoes are exercised through the real update in FirmwareUpdateTest.)
TEST(VirtualSensor, BootloaderOnlyAfterTheUnlockCode)
{
    SensorHarness node5(defaultSensor(5));
    expectExchanges(node5, {
        {"605#23003A0000000000", "585#80003A0020000008"}, // not unlocked
        {"605#2300280011111111", "585#8000280020000008"}, // a wrong unlock code
        {"605#23002800544F4F42", "585#6000280000000000"},
        {"605#23003A0000000000", "585#60003A0000000000"},
        {"605#4010100000000000", ""}, // the application is gone
        {"07F#61", "07F#610059"},
    });
    EXPECT_TRUE(node5.sensor.inBootloader());
}

// Aborting and late sensors and a refused SRDO start are met through the real client in
// SensorServicesTest and CanOpenClientTest; these faults are not.
TEST(VirtualSensor, Faults)
{
    SensorHarness silent(withFaults([](sim::SensorFaults& f) { f.silent = true; }));
    expectExchanges(silent, {{"605#4017100000000000", ""}});
    EXPECT_EQ(silent.sensor.nextDue(), sim::never); // no heartbeat either

    SensorHarness lossy(withFaults([](sim::SensorFaults& f) { f.lossPercent = 100; }));
    expectExchanges(lossy, {{"605#4017100000000000", ""}});
    EXPECT_TRUE(lossy.advance(1000).empty());

    SensorHarness leaving(withFaults([](sim::SensorFaults& f) { f.leaveBusAfterS = 1; }));
    expectExchanges(leaving, {{"605#4017100000000000", "585#4B171000C8000000"}});
    EXPECT_EQ(framesOf(leaving.advance(2000), 0x705).size(), 4u); // heartbeats before it left
    expectExchanges(leaving, {{"605#4017100000000000", ""}});

    SensorHarness shaky(withFaults([](sim::SensorFaults& f) { f.jitterMs = 3; }));
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
