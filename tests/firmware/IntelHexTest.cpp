#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"

#include "support/IntelHexText.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using veldris::IntelHex;
using veldris::MemoryImage;
using veldris::MemoryRange;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string failureAt(int line)
{
    return std::string(IntelHex::failureText) + " (line " + std::to_string(line) + ")";
}

const std::string endOfFile = ":00000001FF\n";

// The first 16 bytes at 0x0000, read before every failing line below.
const std::string goodStart = hexRecord(0x00, 0x0000, Bytes(16, 0x11)) + "\n";

// Reads `text` from a heap block of exactly its size, so that the address sanitizer sees
// any read past its end. Returns the error text, empty on success.
std::string readInto(MemoryImage* image, const std::string& text)
{
    const Bytes bytes(text.begin(), text.end());
    try {
        IntelHex(bytes.data(), static_cast<std::uint32_t>(bytes.size()), image);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

Bytes bytesOf(const MemoryImage& image, std::uint64_t address, std::size_t count)
{
    Bytes out(count);
    image.read(address, out.data(), count);
    return out;
}

} // namespace

// --- Records -------------------------------------------------------------------------------

TEST(IntelHexRecords, AddressesAndBytesOfTheImage)
{
    struct Case {
        const char* what;
        std::string text;
        std::uint64_t at; // where `bytes` are read
        Bytes bytes;
        std::uint64_t lowest, highest;
        std::size_t ranges;
    } cases[] = {
        {"linear address record sets the upper half",
         ":020000040001F9\n" + hexRecord(0x00, 0x0010, {1, 2, 3, 4}) + "\n" + endOfFile,
         0x10010, {1, 2, 3, 4}, 0x10010, 0x10013, 1},
        {"segment address record sets 16 times its value",
         hexRecord(0x02, 0, {0x10, 0x00}) + "\n" + hexRecord(0x00, 0x0002, {7}) + "\n",
         0x10002, {7}, 0x10002, 0x10002, 1},
        {"addresses wrap in 32 bits: 1, 2 at the top, 3, 4 at 0",
         hexRecord(0x04, 0, {0xFF, 0xFF}) + "\n" + hexRecord(0x00, 0xFFFE, {1, 2, 3, 4}) + "\n", 0, {3, 4}, 0, 0xFFFFFFFF, 2},
        {"a gap between records reads as fill", goodStart + hexRecord(0x00, 0x0020, Bytes(16, 0x22)) + "\n", 0x0F,
         [] { Bytes b(18, 0xFF); b.front() = 0x11; b.back() = 0x22; return b; }(), 0, 0x2F, 2},
        {"CR LF line ends", ":020000040800F2\r\n" + hexRecord(0x00, 0x1234, {9, 8, 7}) + "\r\n:00000001FF\r\n", 0x08001234,
         {9, 8, 7}, 0x08001234, 0x08001236, 1},
        {"blank lines are skipped", "\n" + goodStart + "  \t\r\n\r\n" + endOfFile + "\r\n", 0x0F, {0x11}, 0, 0x0F, 1},
        {"text after the end-of-file record is not read",
         goodStart + endOfFile + hexRecord(0x00, 0x100, {5}) + "\nnot a record\n:", 0x0F, {0x11}, 0, 0x0F, 1},
        {"start address records, lower-case digits, no end-of-file record, no final line feed",
         hexRecord(0x03, 0, {0, 0, 0x12, 0x34}) + "\n" + hexRecord(0x05, 0, {8, 0, 0, 0}) + "\n:02000000abcd86", 0,
         {0xAB, 0xCD}, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryImage image;
        ASSERT_EQ(readInto(&image, c.text), "");
        EXPECT_EQ(bytesOf(image, c.at, c.bytes.size()), c.bytes);
        EXPECT_EQ(image.lowest(), c.lowest);
        EXPECT_EQ(image.highest(), c.highest);
        EXPECT_EQ(image.ranges().size(), c.ranges);
    }
}

// Reading line by line goes on where the read stopped (after the end-of-file record), and a
// read reports the length of its last record line, line end included.
TEST(IntelHexRecords, LineByLineAndTheLengthOfTheLastRecordLine)
{
    MemoryImage image;
    const std::string text = endOfFile + ":0100000041BE\r\n:0100000041BF\n";
    const Bytes bytes(text.begin(), text.end());
    IntelHex reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &image);
    std::string line;
    EXPECT_EQ(reader.readRecordLine(line), 15);
    EXPECT_EQ(line, ":0100000041BE\r\n");
    EXPECT_EQ(reader.readRecordLine(line), -1) << "checksum off by one";
    EXPECT_EQ(reader.readRecordLine(line), 0);
    EXPECT_EQ(line, "");
    const std::string crLf = goodStart + ":00000001FF\r\n";
    const Bytes again(crLf.begin(), crLf.end());
    EXPECT_EQ(reader.readBuffer(again.data(), static_cast<std::uint32_t>(again.size())), 13);
}

// --- Failures ------------------------------------------------------------------------------

TEST(IntelHexFailures, FailsNamingTheLineAndKeepsEarlierRecords)
{
    // Apart from the wrong checksums, the records in these lines add up right (":01002000419E"
    // is a good record), so that each line fails for the fault it names.
    struct Case {
        const char* what;
        std::string text; // follows goodStart, so the failing line is line 2 unless said otherwise
        int line = 2;
    } cases[] = {
        {"wrong checksum", ":0100200041BF\n" + endOfFile},
        {"wrong checksum after blank lines", "\r\n \t\n:0100200041BF\n", 4},
        {"count says 16, line holds 4 bytes", hexRecord(0, 0x20, {1, 2, 3, 4}, 16) + "\n"},
        {"count FF at the end of the buffer", hexRecord(0, 0x20, {}, 0xFF)},
        {"extra pair that keeps the sum", hexRecord(0, 0x20, {1}) + "00\n"},
        {"odd digit at the end", hexRecord(0, 0x20, {1}) + "0\n"},
        {"letter that is no digit", ":0100200G419E\n"},
        {"blank inside the record", ":01002000 419E\n"},
        {"blank after the record", ":01002000419E \n"},
        {"blank before the record", " :01002000419E\n"},
        {"zero byte", std::string(":01002000\0" "419E\n", 15)},
        {"no colon", "01002000419E\n"},
        {"lone colon at the end of the buffer", ":"},
        {"lone colon line", ":\n" + endOfFile},
        {"two records on one line", ":01002000419E:01002100419D\n"},
        {"carriage returns only: all records one line", ":01002000419E\r" + endOfFile},
        {"segment record without its value", hexRecord(0x02, 0, {0x10}) + "\n"},
        {"linear record without its value", hexRecord(0x04, 0, {}) + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryImage image;
        EXPECT_EQ(readInto(&image, goodStart + c.text), failureAt(c.line));
        EXPECT_EQ(image.highest(), 0x0Fu) << "nothing of the failing record is written";
        EXPECT_EQ(image.byteAt(0x0F), 0x11);
    }
}

TEST(IntelHexFailures, WithoutAnImageAndAsAResult)
{
    EXPECT_EQ(readInto(nullptr, endOfFile), IntelHex::failureText) << "no line is to blame";
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
        if (!r)
            r = &ranges.emplace_back(MemoryRange{address, 0, 0xFF, {}});
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

// Random runs of writes (forwards, back into written ranges, onto range ends and starts, on up
// into a range that starts later, which stays separate), byte by byte or as one run, must give
// the same ranges, bounds and bytes as the plain walk. One image serves all seeds: a cleared
// image must read like a new one.
TEST(MemoryImage, AgreesWithTheListWalkOnRandomWrites)
{
    MemoryImage image;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        image.clear();
        ReferenceImage reference;
        for (int run = 0; run < 200; ++run) {
            const std::uint64_t address = random() % 2000;
            Bytes bytes(1 + random() % 40);
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
        const Bytes all = bytesOf(image, 0, 2100);
        for (std::uint64_t a = 0; a < all.size(); ++a) {
            ASSERT_EQ(all[a], reference.read(a)) << "seed " << seed << ", address " << a;
            ASSERT_EQ(image.byteAt(a), all[a]);
        }
    }
}

// --- Files of other tools ------------------------------------------------------------------

// Random bytes converted to HEX by other tools (objcopy writes linear address records above
// 1 MiB and segment address records below) read back to exactly those bytes at the base.
TEST(IntelHexFromOtherTools, ReadBackToTheConvertedBytes)
{
    struct Case {
        const char* command; // in.bin -> out.hex, run in the folder
        std::uint64_t base;
        std::size_t size;
        bool optional; // srec_cat (package srecord) need not be installed; objcopy comes with the compiler
    } cases[] = {
        {"objcopy -I binary -O ihex --change-addresses 0x8000000 in.bin out.hex", 0x8000000, 200000, false},
        {"objcopy -I binary -O ihex --change-addresses 0x8000 in.bin out.hex", 0x8000, 100001, false},
        {"srec_cat in.bin -Binary -offset 0x1000 -o out.hex -Intel", 0x1000, 150003, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        if (c.optional && std::system("command -v srec_cat >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "srec_cat (package srecord) is not installed";
        TemporaryDirectory folder;
        std::mt19937 random(static_cast<unsigned>(c.size));
        std::string data(c.size, '\0');
        for (char& byte : data)
            byte = static_cast<char>(random());
        folder.write("in.bin", data);
        ASSERT_EQ(std::system(("cd '" + folder.path() + "' && " + c.command).c_str()), 0);
        MemoryImage image;
        ASSERT_EQ(readInto(&image, folder.read("out.hex")), "");
        EXPECT_EQ(image.lowest(), c.base);
        EXPECT_EQ(image.highest(), c.base + c.size - 1);
        EXPECT_TRUE(bytesOf(image, c.base, c.size) == Bytes(data.begin(), data.end()));
    }
}
