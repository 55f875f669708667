// The request frames of the sensor services byte for byte, one per kind of request (both object
// layouts, each write size, the computed values and node 127), and the answer matching rule. The
// UID read, the store and the node-ID and bit-rate writes are checked on the bus by BusOwnerTest
// (the refused-write log line) and SensorServicesTest (the changes).

#include "can/CandumpLine.h"
#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"

#include <gtest/gtest.h>

using namespace veldris;

namespace {

CanFrame frame(std::uint32_t id, std::initializer_list<std::uint8_t> bytes)
{
    CanFrame f;
    f.identifier = id;
    for (std::uint8_t b : bytes)
        f.data[f.length++] = b;
    return f;
}

} // namespace

TEST(RequestTemplates, RepresentativeTemplatesByteForByte)
{
    using namespace requests;
    struct Case {
        CanFrame frame;
        const char* expected;
    } cases[] = {
        {readFirmwareVersion(5, true), "605#4000360000000000"},
        {readFirmwareVersion(5, false), "605#400A2A0000000000"},
        {accessCode(5), "605#230021004F52564B"},
        {configurationValid(5), "605#2FFE1300A5000000"},
        {writeBitrate(5, 6), "605#2B01200000000000"}, // no such bit-rate index: 0
        {srdoConfiguration(5, 5), "605#4001130600000000"},
        {srdoConfiguration(5, 6), "605#4081130000000000"}, // the mapping from position 6 on
        {writeSrdoChecksum(5, 0xD204), "605#2BFF130104D20000"},
        {disableTpdo(5), "605#2300180100000080"},
        {writeTpdoCobId(5, 0), "605#2300180185010000"},
        {writeTpdoCobId(5, 0x800001A5), "605#23001801A5010000"},
        {readUnit(5, 0x61), "605#4031610100000000"},
        {readSrdoMapping(127), "67F#4081130100000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(frameNotation(c.frame), c.expected);
        EXPECT_EQ(c.frame.messageType, 0);
    }
}

TEST(AnswerMatching, SdoAnswersComeFromTheServerOfTheNode)
{
    const CanFrame request = requests::readHeartbeat(5);
    struct Case {
        CanFrame answer;
        bool answers;
    } cases[] = {
        {frame(0x585, {0x4B, 0x17, 0x10, 0x00, 0xE8, 0x03}), true},
        {frame(0x585, {0x80, 0x17, 0x10, 0x00, 0x00, 0x00, 0x02, 0x06}), true}, // an abort answers too
        {frame(0x585, {0x4B, 0x17, 0x10, 0x01}), false},                        // other sub-index
        {frame(0x185, {0x4B, 0x17, 0x10, 0x00}), false},                        // TPDO 1 of the node
        {frame(0x586, {0x4B, 0x17, 0x10, 0x00}), false},                        // another node's server
        {frame(0x605, {0x40, 0x17, 0x10, 0x00}), false},                        // the request itself
    };
    for (const Case& c : cases)
        EXPECT_EQ(answersRequest(c.answer, request), c.answers) << frameNotation(c.answer);
}

TEST(AnswerMatching, OtherRequestsMatchByNodeBitsAndBytes1To3)
{
    const CanFrame nmt = frame(0x000, {0x82, 0x00});
    EXPECT_FALSE(answersRequest(frame(0x705, {0x00}), nmt)); // a boot-up is not an answer
    EXPECT_TRUE(answersRequest(frame(0x080, {0x00, 0x00, 0x00, 0x00}), nmt));
    const CanFrame data = frame(0x7F, {0x63, 0x00, 0x01, 0x02, 0x03});
    EXPECT_TRUE(answersRequest(frame(0x7F, {0x63, 0x00, 0x01, 0x02, 0x03}), data)); // the bootloader's echo
    EXPECT_FALSE(answersRequest(frame(0x7F, {0x63, 0x00, 0x01, 0x09}), data));
}
