// The protocol's vocabulary: how an answer is classified, the CiA 301 abort texts and the adapter
// status texts of the diagnostic log (bus off: BusOwnerTest). The bit-rate table is used by every
// test on the simulated bus, which hears nothing at another bit rate.

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
}

// The texts of the diagnostic log: a listed abort code's text in its description, a code that
// CiA 301 does not list, every status bit named and the handle field left as a number.
TEST(StatusAndAbortTexts, ListedAndUnlisted)
{
    EXPECT_EQ(abortDescription(0x06090011), "0x06090011 (Sub-index does not exist.)");
    EXPECT_STREQ(abortCodeText(0x12345678), "Unknown abort code");
    EXPECT_EQ(statusText(pcan::errorIllHw), "0x01400 (no such hardware)");
    EXPECT_EQ(statusText(pcan::errorXmtFull | pcan::errorBusHeavy), "0x00009 (transmit buffer full, bus heavy)");
    EXPECT_EQ(statusText(0x80000000u), "0x80000000");
}
