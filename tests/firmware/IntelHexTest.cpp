#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"

#include "support/IntelHexText.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using veldris::IntelHex;
using veldris::MemoryImage;

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string endOfFile = ":00000001FF\n";

// The first 16 bytes at 0x0000, read before every text below.
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

// Every text follows goodStart in a fresh image. A failing line is named (blank lines
// counted); the records before it stay, nothing of the failing record is written. Apart from
// the wrong checksum, the failing records add up right (":01002000419E" is a good record), so
// that each fails for the fault it names.
TEST(IntelHex, RecordsAndFailures)
{
    struct Case {
        const char* what;
        std::string text;
        int failingLine = 0;     // 0: the text reads
        std::uint64_t at = 0x0F; // where `bytes` are read; the defaults are goodStart's image
        Bytes bytes = {0x11};
        std::uint64_t lowest = 0, highest = 0x0F;
        std::size_t ranges = 1;
    } cases[] = {
        {"addresses wrap in 32 bits: 1, 2 at the top, 3, 4 at 0",
         hexRecord(0x04, 0, {0xFF, 0xFF}) + "\n" + hexRecord(0x00, 0xFFFE, {1, 2, 3, 4}) + "\n",
         0,
         0,
         {3, 4, 0x11},
         0,
         0xFFFFFFFF,
         2},
        {"linear address record, CR LF line ends",
         ":020000040800F2\r\n" + hexRecord(0x00, 0x1234, {9, 8, 7}) + "\r\n:00000001FF\r\n",
         0,
         0x08001234,
         {9, 8, 7},
         0,
         0x08001236,
         2},
        {"text after the end-of-file record is not read", endOfFile + hexRecord(0x00, 0x100, {5}) + "\nnot a record\n:"},
        {"start address records, lower-case digits, no end-of-file record, no final line feed",
         hexRecord(0x03, 0, {0, 0, 0x12, 0x34}) + "\n" + hexRecord(0x05, 0, {8, 0, 0, 0}) + "\n:02000000abcd86",
         0,
         0,
         {0xAB, 0xCD, 0x11}},
        {"wrong checksum after blank lines, which are skipped but counted", "\r\n \t\n:0100200041BF\n" + endOfFile, 4},
        {"count FF, line ends at the end of the buffer with no data", hexRecord(0, 0x20, {}, 0xFF), 2},
        {"extra pair that keeps the sum", hexRecord(0, 0x20, {1}) + "00\n", 2},
        {"odd digit at the end", hexRecord(0, 0x20, {1}) + "0\n", 2},
        {"character that is no digit", ":0100200G419E\n", 2},
        {"no colon", "01002000419E\n", 2},
        {"lone colon at the end of the buffer", ":", 2},
        {"carriage returns only: all records one line", ":01002000419E\r" + endOfFile, 2},
        {"segment record without its value", hexRecord(0x02, 0, {0x10}) + "\n", 2},
        {"linear record without its value", hexRecord(0x04, 0, {}) + "\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryImage image;
        const std::string line = " (line " + std::to_string(c.failingLine) + ")";
        EXPECT_EQ(readInto(&image, goodStart + c.text), c.failingLine ? IntelHex::failureText + line : "");
        EXPECT_EQ(bytesOf(image, c.at, c.bytes.size()), c.bytes);
        EXPECT_EQ(image.lowest(), c.lowest);
        EXPECT_EQ(image.highest(), c.highest);
        EXPECT_EQ(image.ranges().size(), c.ranges);
    }
}

// Without an image to read into, no line is to blame. (The update and the file commands read
// through readIntelHex; its failure text with the line reaches them in the update's
// damaged-image case.)
TEST(IntelHex, WithoutAnImage)
{
    EXPECT_EQ(readInto(nullptr, endOfFile), IntelHex::failureText);
}

// --- Memory image --------------------------------------------------------------------------

// Random runs of writes (forwards, back into written ranges, onto range ends and starts, on up
// into a range that starts later), byte by byte or as one run, must read back as the last
// bytes written to each address, erased flash (0xFF) elsewhere, within the written bounds. One
// image serves all seeds: a cleared image must read like a new one.
TEST(MemoryImage, ReadsBackTheLastWriteOfEachAddressAfterRandomWrites)
{
    MemoryImage image;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        image.clear();
        std::map<std::uint64_t, std::uint8_t> written;
        for (int run = 0; run < 200; ++run) {
            const std::uint64_t address = random() % 2000;
            Bytes bytes(1 + random() % 40);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                written[address + i] = bytes[i] = static_cast<std::uint8_t>(random());
            if (random() % 2) {
                image.write(address, bytes.data(), bytes.size());
            } else {
                for (std::size_t i = 0; i < bytes.size(); ++i)
                    image.write(address + i, bytes[i]);
            }
        }
        EXPECT_EQ(image.lowest(), written.begin()->first);
        EXPECT_EQ(image.highest(), written.rbegin()->first);
        const Bytes all = bytesOf(image, 0, 2100);
        for (std::uint64_t a = 0; a < all.size(); ++a) {
            const auto byte = written.find(a);
            ASSERT_EQ(all[a], byte == written.end() ? 0xFF : byte->second) << "seed " << seed << ", address " << a;
            ASSERT_EQ(image.byteAt(a), all[a]);
        }
    }
}

// --- Files of other tools ------------------------------------------------------------------

// Random bytes converted to HEX by objcopy, which comes with the compiler and writes linear
// address records above 1 MiB and segment address records below, read back to exactly those
// bytes at the base, across several 64 KiB pages.
TEST(IntelHexFromOtherTools, ReadBackToTheConvertedBytes)
{
    struct Case {
        std::uint64_t base;
        std::size_t size;
    } cases[] = {{0x8000000, 200000}, {0x8000, 100001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        TemporaryDirectory folder;
        std::mt19937 random(static_cast<unsigned>(c.size));
        std::string data(c.size, '\0');
        for (char& byte : data)
            byte = static_cast<char>(random());
        folder.write("in.bin", data);
        const std::string command =
            "objcopy -I binary -O ihex --change-addresses " + std::to_string(c.base) + " in.bin out.hex";
        ASSERT_EQ(std::system(("cd '" + folder.path() + "' && " + command).c_str()), 0);
        MemoryImage image;
        ASSERT_EQ(readInto(&image, folder.read("out.hex")), "");
        EXPECT_EQ(image.lowest(), c.base);
        EXPECT_EQ(image.highest(), c.base + c.size - 1);
        EXPECT_TRUE(bytesOf(image, c.base, c.size) == Bytes(data.begin(), data.end()));
    }
}
