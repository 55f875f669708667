// The bus trace formats: candump log lines and pcap records of link type 227.

#include "can/BusTrace.h"
#include "canopen/RequestTemplates.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using veldris::BusTrace;
using veldris::CanFrame;

namespace {

const CanFrame sdoRequest = veldris::requests::sdoFrame(5, 0x40, 0x1010, 0); // 605#4010100000000000
const CanFrame extended{.identifier = 0x18FF50E5, .messageType = pcan::messageExtended, .length = 2, .data = {0xAB}};

} // namespace

TEST(BusTrace, CandumpLines)
{
    EXPECT_EQ(BusTrace::candumpRecord(sdoRequest, 1796565505676017ull), "(1796565505.676017) can0 605#4010100000000000");
    EXPECT_EQ(BusTrace::candumpRecord(extended, 5), "(0.000005) can0 18FF50E5#AB00");
    const CanFrame remote{.identifier = 0x705, .messageType = pcan::messageRtr, .length = 1};
    EXPECT_EQ(BusTrace::candumpRecord(remote, 0), "(0.000000) can0 705#R");
}

TEST(BusTrace, PcapWithBigEndianIdentifiers)
{
    const std::string header = BusTrace::pcapFileHeader();
    ASSERT_EQ(header.size(), 24u);
    EXPECT_EQ(header.substr(0, 4), std::string("\xD4\xC3\xB2\xA1", 4));
    EXPECT_EQ(header.substr(20, 4), std::string("\xE3\x00\x00\x00", 4)); // 227
    const std::string record = BusTrace::pcapRecord(sdoRequest, 1'000'002'000'003ull);
    ASSERT_EQ(record.size(), 32u);
    EXPECT_EQ(record.substr(0, 8), std::string("\x42\x42\x0F\x00\x03\x00\x00\x00", 8)); // 1000002 s, 3 µs
    // Captured and original length 16; identifier 0x605 big-endian, 8 data bytes, the data.
    EXPECT_EQ(record.substr(8, 20), std::string("\x10\0\0\0\x10\0\0\0"
                                                "\0\0\x06\x05\x08\0\0\0"
                                                "\x40\x10\x10\0",
                                                20));
    EXPECT_EQ(BusTrace::pcapRecord(extended, 0).substr(16, 4), std::string("\x98\xFF\x50\xE5", 4));
}

// Read frames carry the adapter's stamps, here counted from the bus's start: in the file they
// are on the wall clock of the written frames, and none is placed after a frame written after
// it was read.
TEST(BusTrace, AdapterStampsFollowTheWallClock)
{
    const std::string path = testing::TempDir() + "/adapter-clock.log";
    {
        BusTrace trace(path);
        CanFrame answer = veldris::requests::sdoFrame(5, 0x43, 0x1010, 0);
        answer.identifier = 0x585;
        for (std::uint32_t millis : {2u, 50u, 51u}) { // read at once: the first one waited 48 ms longer
            trace.record(sdoRequest, false);
            answer.setTimestamp({.millis = millis, .millisOverflow = 0, .micros = 0});
            trace.record(answer, true);
        }
        trace.record(sdoRequest, false);
    }
    std::ifstream file(path);
    std::vector<double> stamps;
    for (std::string line; std::getline(file, line);)
        stamps.push_back(std::stod(line.substr(1, line.find(')') - 1)));
    ASSERT_EQ(stamps.size(), 7u);
    EXPECT_GT(stamps[1], 1.7e9) << "an answer is not placed at the bus's start";
    for (std::size_t i = 1; i < stamps.size(); ++i)
        EXPECT_LE(stamps[i - 1], stamps[i]) << "frame " << i;
}
