// The protocol's vocabulary: how an answer is classified, the CiA 301 abort texts, the adapter
// status texts of the diagnostic log, and the bit-rate table.

#include "can/Bitrates.h"
#include "can/StatusText.h"
#include "canopen/AbortCodes.h"
#include "canopen/SdoAnswer.h"

#include <gtest/gtest.h>

using namespace veldris;
using Kind = SdoAnswer::Kind;

TEST(SdoAnswer, ClassifiedByTheCommandByteAlone)
{
    struct Row {
        std::uint8_t command;
        Kind kind;
        std::uint8_t size;
    };
    const Row rows[] = {
        {0x00, Kind::NoAnswer, 0}, {0x60, Kind::Confirmed, 0}, {0x80, Kind::Aborted, 0},
        {0x43, Kind::Uploaded, 4}, {0x47, Kind::Uploaded, 3}, {0x4B, Kind::Uploaded, 2},
        {0x4F, Kind::Uploaded, 1}, {0x42, Kind::Other, 0},    {0x41, Kind::Other, 0},
    };
    for (const Row& row : rows) {
        CanFrame frame;
        frame.data[0] = row.command;
        frame.data[4] = 0x11; // the value is read whatever the kind
        frame.data[7] = 0x06;
        const SdoAnswer answer = SdoAnswer::of(frame);
        EXPECT_EQ(answer.kind, row.kind) << int(row.command);
        EXPECT_EQ(answer.size, row.size) << int(row.command);
        EXPECT_EQ(answer.value, 0x06000011u);
        EXPECT_EQ(answer.abortCode(), row.kind == Kind::Aborted ? 0x06000011u : 0u);
    }
    CanFrame heartbeat;
    heartbeat.data[0] = 0x43; // a 4-byte answer where the heartbeat expects 2 bytes
    EXPECT_FALSE(SdoAnswer::of(heartbeat).uploaded(2));
    EXPECT_TRUE(SdoAnswer::of(heartbeat).uploaded(4));
}

TEST(AbortCodes, TextsOfCiA301)
{
    EXPECT_STREQ(abortCodeText(0x06020000), "Object does not exist in the object dictionary.");
    EXPECT_STREQ(abortCodeText(0x08000022),
                 "Data cannot be transferred or stored to the application because of the present device state.");
    EXPECT_STREQ(abortCodeText(0x12345678), "Unknown abort code");
    EXPECT_EQ(abortDescription(0x06090011), "0x06090011 (Sub-index does not exist.)");
}

TEST(StatusText, NamesEveryBitAndTheHandleField)
{
    EXPECT_EQ(statusText(pcan::errorBusOff), "0x00010 (bus off)");
    EXPECT_EQ(statusText(pcan::errorIllHw), "0x01400 (no such hardware)");
    EXPECT_EQ(statusText(pcan::errorXmtFull | pcan::errorBusHeavy), "0x00009 (transmit buffer full, bus heavy)");
    EXPECT_EQ(statusText(0x80000000u), "0x80000000");
}

// The adapter's BTR0/BTR1 codes that CAN_Initialize takes, from 1 Mbit/s down to 20 kbit/s;
// an index outside the table has neither code nor rate.
TEST(Bitrates, OneTableForIndexRateCodeAndCaption)
{
    const std::uint16_t codes[] = {0x0014, 0x001C, 0x011C, 0x031C, 0x472F, 0x532F, 0};
    const std::uint16_t kbit[] = {1000, 500, 250, 125, 50, 20, 0};
    for (int index = 0; index < 7; ++index) {
        EXPECT_EQ(bitrateCode(index), codes[index]);
        EXPECT_EQ(bitrateKbit(index), kbit[index]);
        EXPECT_EQ(bitrateIndexOfKbit(kbit[index]), index < 6 ? index : -1);
    }
    EXPECT_EQ(bitrateCode(-1), 0);
    EXPECT_EQ(bitrateIndexOfKbit(800), -1); // a rate of CAN, not offered
    EXPECT_STREQ(bitrateAt(defaultBitrateIndex)->caption, "125 kBit/s");
}
