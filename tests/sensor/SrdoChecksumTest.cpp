// The SRDO checksum and the CRC-16 behind it, the text conversions of the edit fields and the
// variant code of a UID.

#include "common/TextConversion.h"
#include "sensor/SensorInfo.h"
#include "sensor/SrdoChecksum.h"

#include <gtest/gtest.h>

using namespace veldris;

// The CRC-16 is XMODEM's: "123456789" checks as 0x31C3.
TEST(SrdoChecksum, ValuesAndEarlyReturns)
{
    EXPECT_EQ(crc16("123456789"), 0x31C3);
    struct Case {
        SrdoValues values;
        std::uint16_t checksum;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, 0x2BC6}, // the sub-index bytes are fed even then
        {{1, 0x19, 0x14, 0x101, 0x102, 2, 0x1008, 0x2008}, 0xD204},
        {{0x100, 0, 0, 0, 0, 0, 0, 0}, 0x0000},      // nothing fed
        {{1, 0x10000, 0, 0, 0, 0, 0, 0}, 0x1021},    // the single byte 0x01
        {{1, 0x19, 0x100, 0x101, 0x102, 2, 0, 0}, crc16(std::string("\x01\x19\x00", 3))},
        {{1, 0x19, 0x14, 0x101, 0x102, 0x100, 0, 0},
         crc16(std::string("\x01\x19\x00\x14\x01\x01\x00\x00\x02\x01\x00\x00", 12))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(computeSrdoChecksum(c.values), c.checksum);
}

// The exceptions' texts, shown in the window's error box, are checked by the window tests.
TEST(TextConversion, DecimalTakesTheLeadingDigitsToolkitAlsoHexadecimal)
{
    EXPECT_EQ(decimalToInt(" 7 nodes"), 7);
    EXPECT_THROW(decimalToInt("n/a"), std::invalid_argument);
    EXPECT_THROW(decimalToInt("99999999999"), std::out_of_range);
    EXPECT_EQ(toolkitToInt("$1F"), 0x1F);
    EXPECT_EQ(static_cast<std::uint32_t>(toolkitToInt("0xFFFFFFFF")), 0xFFFFFFFFu);
    for (const char* bad : {"", "12abc", "0x", " 5", "4294967296", "0x1FFFFFFFF"})
        EXPECT_THROW(toolkitToInt(bad), std::invalid_argument) << bad;
}

TEST(SensorInfo, VariantCodeAndListedUids)
{
    EXPECT_EQ(variantCodeOf("0x12345a78"), 10); // a letter is a hexadecimal digit, not an error
    EXPECT_EQ(variantCodeOf("0x12"), 0);
    EXPECT_TRUE(isListedUid("0x06102100"));
    EXPECT_FALSE(isListedUid("0x06102200 "));
}
