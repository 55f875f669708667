// The parts of libpcanbasic-socketcan.so that need no socket: bit rates of BTR0/BTR1 codes and
// the bounds of the error text handed to the caller.

#include "socketcan/BtrBitrate.h"
#include "socketcan/ErrorText.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace socketcan;

TEST(SocketCanParts, BtrCodesGiveTheirBitRates)
{
    struct Case {
        std::uint16_t code;
        std::uint32_t bitrate;
    } cases[] = {
        {pcan::baud1M, 1000000},
        {pcan::baud125K, 125000},
        {0xC31C, 125000}, // a synchronisation jump width of 4 does not change the rate
        {0x0300, 666666}, // BTR1 0: prescaler 4, one quantum in each of the three segments
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(bitrateOfBtr0Btr1(c.code), c.bitrate);
    }
}

// CAN_GetErrorText writes into a caller's buffer of 256 bytes, whatever the kept message's length.
TEST(SocketCanParts, ErrorTextFitsTheCallersBuffer)
{
    char buffer[256];
    ErrorText::refuse(pcan::errorIllOperation, std::string(300, 'm'));
    ASSERT_EQ(ErrorText::copy(pcan::errorIllOperation, buffer), pcan::ok);
    EXPECT_EQ(std::strlen(buffer), 255u);
    ErrorText::refuse(pcan::errorIllOperation); // a refusal without a message drops the kept one
    ASSERT_EQ(ErrorText::copy(pcan::errorIllOperation, buffer), pcan::ok);
    EXPECT_STREQ(buffer, "Invalid operation");
}
