// The SRDO checksum and the CRC-16 behind it, the text conversions of the edit fields and the
// variant code of a UID.

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
        {{0x100, 0, 0, 0, 0, 0, 0, 0}, 0x0000},   // nothing fed
        {{1, 0x10000, 0, 0, 0, 0, 0, 0}, 0x1021}, // the single byte 0x01
        {{1, 0x19, 0x100, 0x101, 0x102, 2, 0, 0}, crc16(std::string("\x01\x19\x00", 3))},
        {{1, 0x19, 0x14, 0x101, 0x102, 0x100, 0, 0},
         crc16(std::string("\x01\x19\x00\x14\x01\x01\x00\x00\x02\x01\x00\x00", 12))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(computeSrdoChecksum(c.values), c.checksum);
}

TEST(SensorInfo, VariantCodeAndListedUids)
{
    EXPECT_EQ(variantCodeOf("0x12345a78"), 10); // a letter is a hexadecimal digit, not an error
    EXPECT_EQ(variantCodeOf("0x12"), 0);
    EXPECT_TRUE(isListedUid("0x06102100"));
    EXPECT_FALSE(isListedUid("0x06102200 "));
}

// The node of a record never throws: a text that names no node ID (none chosen, a typo, past
// 127) addresses node 0, where no sensor answers.
TEST(SensorInfo, NodeOfTheRecordsText)
{
    const std::pair<const char*, int> cases[] = {{"5", 5},   {" 127", 127}, {"12 nodes", 12},  {"", 0},
                                                 {"n/a", 0}, {"128", 0},    {"99999999999", 0}};
    for (const auto& [text, node] : cases) {
        SensorInfo record;
        record.nodeId = text;
        EXPECT_EQ(record.node(), node) << text;
    }
}
