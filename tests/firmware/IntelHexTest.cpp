#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"

#include "support/IntelHexText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using veldris::IntelHex;
using veldris::MemoryImage;
using veldris::MemoryRange;

namespace {

const std::string failure = IntelHex::failureText;

std::string failureAt(int line)
{
    return failure + " (line " + std::to_string(line) + ")";
}

std::string record(std::uint8_t type, std::uint16_t address, const std::vector<std::uint8_t>& data, int count = -1)
{
    return hexRecord(type, address, data, count);
}

const std::string endOfFile = ":00000001FF\n";

// Reads `text` from a heap block of exactly its size, so that the address sanitizer sees
// any read past its end. Returns the error text, empty on success.
std::string readInto(MemoryImage& image, const std::string& text)
{
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    try {
        IntelHex(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &image);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

std::vector<std::uint8_t> bytesOf(const MemoryImage& image, std::uint64_t address, std::size_t count)
{
    std::vector<std::uint8_t> out(count);
    image.read(address, out.data(), count);
    return out;
}

// The first 16 bytes at 0x0000, read before every failing line below.
const std::string goodStart = record(0x00, 0x0000, std::vector<std::uint8_t>(16, 0x11)) + "\n";

} // namespace

// --- Records -------------------------------------------------------------------------------

TEST(IntelHexRecords, LinearAddressRecordSetsTheUpperHalf)
{
    MemoryImage image;
    ASSERT_EQ(readInto(image, ":020000040001F9\n" + record(0x00, 0x0010, {1, 2, 3, 4}) + "\n" + endOfFile), "");
    EXPECT_EQ(bytesOf(image, 0x10010, 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(image.lowest(), 0x10010u);
    EXPECT_EQ(image.highest(), 0x10013u);
}

TEST(IntelHexRecords, SegmentAddressRecordSetsSixteenTimesItsValue)
{
    MemoryImage image;
    ASSERT_EQ(readInto(image, record(0x02, 0, {0x10, 0x00}) + "\n" + record(0x00, 0x0002, {7}) + "\n"), "");
    EXPECT_EQ(image.lowest(), 0x10002u);
    EXPECT_EQ(image.byteAt(0x10002), 7);
}

TEST(IntelHexRecords, AddressesWrapInThirtyTwoBits)
{
    MemoryImage image;
    ASSERT_EQ(readInto(image, record(0x04, 0, {0xFF, 0xFF}) + "\n" + record(0x00, 0xFFFE, {1, 2, 3, 4}) + "\n"), "");
    EXPECT_EQ(bytesOf(image, 0xFFFFFFFE, 2), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(bytesOf(image, 0, 2), (std::vector<std::uint8_t>{3, 4}));
    EXPECT_EQ(image.ranges().size(), 2u);
}

TEST(IntelHexRecords, GapBetweenRecordsReadsAsFill)
{
    MemoryImage image;
    ASSERT_EQ(readInto(image, goodStart + record(0x00, 0x0020, std::vector<std::uint8_t>(16, 0x22)) + "\n"), "");
    ASSERT_EQ(image.ranges().size(), 2u);
    EXPECT_EQ(bytesOf(image, 0x10, 16), std::vector<std::uint8_t>(16, 0xFF));
    EXPECT_EQ(bytesOf(image, 0x0F, 0x12).back(), 0x22);
}

TEST(IntelHexRecords, CrLfAndLfReadTheSame)
{
    const std::string lf = ":020000040800F2\n" + record(0x00, 0x1234, {9, 8, 7}) + "\n" + endOfFile;
    std::string crlf;
    for (const char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    MemoryImage a, b;
    ASSERT_EQ(readInto(a, lf), "");
    ASSERT_EQ(readInto(b, crlf), "");
    EXPECT_EQ(a.ranges().front().bytes, b.ranges().front().bytes);
    EXPECT_EQ(a.lowest(), b.lowest());
}

TEST(IntelHexRecords, TextAfterTheEndOfFileRecordIsNotRead)
{
    MemoryImage image;
    ASSERT_EQ(readInto(image, goodStart + endOfFile + record(0x00, 0x100, {5}) + "\nnot a record\n:"), "");
    EXPECT_EQ(image.highest(), 0x0Fu);
}

TEST(IntelHexRecords, StartAddressRecordsAndLowerCaseDigitsAndNoFinalLineFeed)
{
    MemoryImage image;
    const std::string text = record(0x03, 0, {0, 0, 0x12, 0x34}) + "\n" + record(0x05, 0, {8, 0, 0, 0}) + "\n" +
        ":02000000abcd86";
    ASSERT_EQ(readInto(image, text), "") << "no end-of-file record: the read ends with the buffer";
    EXPECT_EQ(bytesOf(image, 0, 2), (std::vector<std::uint8_t>{0xAB, 0xCD}));
}

TEST(IntelHexRecords, ReturnsTheLengthOfTheLastRecordLine)
{
    MemoryImage image;
    const std::string text = goodStart + ":00000001FF\r\n";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    IntelHex reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &image);
    EXPECT_EQ(reader.readBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size())), 13);
}

TEST(IntelHexRecords, RecordLineGoesOnFromTheCurrentPosition)
{
    MemoryImage image;
    const std::string text = endOfFile + ":0100000041BE\r\n:0100000041BF\n";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    IntelHex reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &image); // stops after line 1
    std::string line;
    EXPECT_EQ(reader.readRecordLine(line), 15);
    EXPECT_EQ(line, ":0100000041BE\r\n");
    EXPECT_EQ(reader.readRecordLine(line), -1) << "checksum off by one";
    EXPECT_EQ(reader.readRecordLine(line), 0);
    EXPECT_EQ(line, "");
}

// --- Failures ------------------------------------------------------------------------------

struct Malformed {
    const char* what;
    std::string text; // follows goodStart, so the failing line is line 2 unless said otherwise
    int line = 2;
};

class IntelHexMalformed : public testing::TestWithParam<Malformed> {};

TEST_P(IntelHexMalformed, FailsNamingTheLineAndKeepsEarlierRecords)
{
    MemoryImage image;
    EXPECT_EQ(readInto(image, goodStart + GetParam().text), failureAt(GetParam().line)) << GetParam().what;
    EXPECT_EQ(image.highest(), 0x0Fu) << "nothing of the failing record is written";
    EXPECT_EQ(image.byteAt(0x0F), 0x11);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IntelHexMalformed,
    testing::Values(
        Malformed{"wrong checksum", ":0100200041BF\n" + endOfFile},
        Malformed{"wrong checksum after a blank line", "\r\n:0100200041BF\n", 3},
        Malformed{"count says 16, line holds 4 bytes", record(0, 0x20, {1, 2, 3, 4}, 16) + "\n"},
        Malformed{"count FF at the end of the buffer", record(0, 0x20, {}, 0xFF)},
        Malformed{"extra pair that keeps the sum", record(0, 0x20, {1}) + "00\n"},
        Malformed{"odd digit at the end", record(0, 0x20, {1}) + "0\n"},
        Malformed{"letter that is no digit", ":0100200G41BE\n"},
        Malformed{"blank inside the record", ":01002000 41BE\n"},
        Malformed{"blank after the record", ":0100200041BE \n"},
        Malformed{"blank before the record", " :0100200041BE\n"},
        Malformed{"zero byte", std::string(":01002000\0" "41BE\n", 15)},
        Malformed{"no colon", "0100200041BE\n"},
        Malformed{"lone colon at the end of the buffer", ":"},
        Malformed{"lone colon line", ":\n" + endOfFile},
        Malformed{"two records on one line", ":0100200041BE:0100210041BD\n"},
        Malformed{"carriage returns only: all records one line", ":0100200041BE\r" + endOfFile, 2},
        Malformed{"segment record without its value", record(0x02, 0, {0x10}) + "\n"},
        Malformed{"linear record without its value", record(0x04, 0, {}) + "\n"}));

TEST(IntelHexFailures, BlankLinesAreSkippedAndCounted)
{
    MemoryImage image;
    EXPECT_EQ(readInto(image, "\n" + goodStart + "  \t\r\n\r\n" + endOfFile + "\r\n"), "");
    EXPECT_EQ(readInto(image, "\r\n \n" + goodStart + "\n:0100200041BF\n"), failureAt(5));
}

TEST(IntelHexFailures, ReadingWithoutAnImageFails)
{
    const std::string text = endOfFile;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    try {
        IntelHex(bytes, static_cast<std::uint32_t>(text.size()), nullptr);
        FAIL() << "read without an image";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), failure);
    }
}

TEST(IntelHexFailures, ConvenienceReturnsTheMessage)
{
    MemoryImage image;
    std::string error = "old";
    EXPECT_TRUE(veldris::readIntelHex(goodStart + endOfFile, image, error));
    EXPECT_EQ(error, "");
    EXPECT_FALSE(veldris::readIntelHex(goodStart + "x\n", image, error));
    EXPECT_EQ(error, failureAt(2));
}

// --- Memory image --------------------------------------------------------------------------

// The range rules written the plain way: walk the whole list for every byte.
class ReferenceImage {
public:
    std::vector<MemoryRange> ranges;
    std::uint64_t lowest = ~std::uint64_t{0};
    std::uint64_t highest = 0;

    MemoryRange* find(std::uint64_t address)
    {
        MemoryRange* found = nullptr;
        for (MemoryRange& r : ranges) {
            if (r.start == address)
                return &r;
            if (r.start <= address && address - r.start <= r.length)
                found = &r;
        }
        return found;
    }
    void write(std::uint64_t address, std::uint8_t byte)
    {
        MemoryRange* r = find(address);
        if (!r) {
            ranges.push_back(MemoryRange{address, 0, 0xFF, {}});
            r = &ranges.back();
        }
        lowest = std::min(lowest, r->start);
        highest = std::max(highest, address);
        if (address - r->start < r->length) {
            r->bytes[address - r->start] = byte;
        } else {
            r->bytes.push_back(byte);
            ++r->length;
        }
    }
    std::uint8_t read(std::uint64_t address)
    {
        const MemoryRange* r = find(address);
        return r && address - r->start < r->length ? r->bytes[address - r->start] : 0xFF;
    }
};

TEST(MemoryImage, EmptyImage)
{
    MemoryImage image;
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.lowest(), ~std::uint64_t{0});
    EXPECT_EQ(image.highest(), 0u);
    EXPECT_EQ(image.fillByte(), 0xFF);
    EXPECT_EQ(image.byteAt(0), 0xFF);
}

TEST(MemoryImage, RangeGrowingUpToALaterRangeStaysSeparate)
{
    MemoryImage image;
    for (std::uint64_t a = 0x20; a < 0x30; ++a)
        image.write(a, 0x20);
    for (std::uint64_t a = 0x00; a < 0x28; ++a)
        image.write(a, 0x01); // from 0x20 on, into the range that starts there
    ASSERT_EQ(image.ranges().size(), 2u);
    EXPECT_EQ(image.ranges()[0].start, 0x20u);
    EXPECT_EQ(image.ranges()[0].length, 0x10u);
    EXPECT_EQ(image.ranges()[1].length, 0x20u);
    EXPECT_EQ(bytesOf(image, 0x26, 4), (std::vector<std::uint8_t>{1, 1, 0x20, 0x20}));
    image.clear();
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.lowest(), ~std::uint64_t{0});
}

// Random runs of writes (forwards, back into written ranges, onto range ends and starts),
// byte by byte or as one run, must give the same ranges, bounds and bytes as the plain walk.
TEST(MemoryImage, AgreesWithTheListWalkOnRandomWrites)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        MemoryImage image;
        ReferenceImage reference;
        for (int run = 0; run < 200; ++run) {
            const std::uint64_t address = random() % 2000;
            std::vector<std::uint8_t> bytes(1 + random() % 40);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<std::uint8_t>(random());
                reference.write(address + i, bytes[i]);
            }
            if (random() % 2) {
                image.write(address, bytes.data(), bytes.size());
            } else {
                for (std::size_t i = 0; i < bytes.size(); ++i)
                    image.write(address + i, bytes[i]);
            }
        }
        ASSERT_EQ(image.ranges().size(), reference.ranges.size()) << "seed " << seed;
        for (std::size_t i = 0; i < reference.ranges.size(); ++i) {
            EXPECT_EQ(image.ranges()[i].start, reference.ranges[i].start);
            EXPECT_EQ(image.ranges()[i].bytes, reference.ranges[i].bytes);
            EXPECT_EQ(image.ranges()[i].length, image.ranges()[i].bytes.size());
        }
        EXPECT_EQ(image.lowest(), reference.lowest);
        EXPECT_EQ(image.highest(), reference.highest);
        const std::vector<std::uint8_t> all = bytesOf(image, 0, 2100);
        for (std::uint64_t a = 0; a < all.size(); ++a) {
            ASSERT_EQ(all[a], reference.read(a)) << "seed " << seed << ", address " << a;
            ASSERT_EQ(image.byteAt(a), all[a]);
        }
    }
}

// --- Files of other tools ------------------------------------------------------------------

namespace {

struct ScratchFolder {
    std::string path;
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "veldris-hex-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
};

bool toolExists(const char* name)
{
    return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// Writes random bytes, converts them with `command` (in.bin -> out.hex, run in the scratch
// folder) and checks that the HEX text reads back to exactly those bytes at `base`.
void expectRoundTrip(const std::string& command, std::uint64_t base, std::size_t size)
{
    ScratchFolder folder;
    ASSERT_FALSE(folder.path.empty());
    std::mt19937 random(static_cast<unsigned>(size));
    std::vector<char> data(size);
    for (char& c : data)
        c = static_cast<char>(random());
    std::ofstream(folder.path + "/in.bin", std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
    ASSERT_EQ(std::system(("cd '" + folder.path + "' && " + command).c_str()), 0) << command;
    std::ifstream in(folder.path + "/out.hex", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    MemoryImage image;
    ASSERT_EQ(readInto(image, text), "") << command;
    EXPECT_EQ(image.lowest(), base);
    EXPECT_EQ(image.highest(), base + size - 1);
    const std::vector<std::uint8_t> back = bytesOf(image, base, size);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin(),
                           [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
        << command;
}

} // namespace

TEST(IntelHexFromOtherTools, ObjcopyWithLinearAddressRecords)
{
    expectRoundTrip("objcopy -I binary -O ihex --change-addresses 0x8000000 in.bin out.hex", 0x8000000, 200000);
}

TEST(IntelHexFromOtherTools, ObjcopyWithSegmentAddressRecords)
{
    expectRoundTrip("objcopy -I binary -O ihex --change-addresses 0x8000 in.bin out.hex", 0x8000, 100001);
}

TEST(IntelHexFromOtherTools, SrecCat)
{
    if (!toolExists("srec_cat"))
        GTEST_SKIP() << "srec_cat (package srecord) is not installed";
    expectRoundTrip("srec_cat in.bin -Binary -offset 0x1000 -o out.hex -Intel", 0x1000, 150003);
}
