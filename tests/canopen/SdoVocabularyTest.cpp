// The protocol's vocabulary: how an answer is classified, the CiA 301 abort texts, the adapter
// status texts of the diagnostic log (bus off: BusOwnerTest), and the bit-rate table.

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

// A listed code's text in its description, and a code that CiA 301 does not list.
TEST(AbortCodes, TextsOfCiA301)
{
    EXPECT_EQ(abortDescription(0x06090011), "0x06090011 (Sub-index does not exist.)");
    EXPECT_STREQ(abortCodeText(0x12345678), "Unknown abort code");
}

TEST(StatusText, NamesEveryBitAndTheHandleField)
{
    EXPECT_EQ(statusText(pcan::errorIllHw), "0x01400 (no such hardware)");
    EXPECT_EQ(statusText(pcan::errorXmtFull | pcan::errorBusHeavy), "0x00009 (transmit buffer full, bus heavy)");
    EXPECT_EQ(statusText(0x80000000u), "0x80000000");
}

// The bit-rate index is what CAN_Initialize gets as the adapter library's own BTR0/BTR1 code;
// an index outside the table has neither code nor rate, and a rate of CAN not offered no index.
TEST(Bitrates, IndexRateAndAdapterCode)
{
    const std::uint16_t codes[] = {pcan::baud1M, pcan::baud500K, pcan::baud250K, pcan::baud125K, pcan::baud50K, pcan::baud20K};
    const std::uint16_t kbit[] = {1000, 500, 250, 125, 50, 20};
    for (int index = 0; index < 6; ++index) {
        EXPECT_EQ(bitrateCode(index), codes[index]);
        EXPECT_EQ(bitrateIndexOfKbit(kbit[index]), index);
    }
    for (int outside : {-1, 6})
        EXPECT_EQ(bitrateCode(outside) + bitrateKbit(outside), 0);
    EXPECT_EQ(bitrateIndexOfKbit(800), -1);
    EXPECT_STREQ(bitrateAt(defaultBitrateIndex)->caption, "125 kBit/s");
}
