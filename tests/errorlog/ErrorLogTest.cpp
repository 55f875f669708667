// The error log image and its .kel file: header versions 1 and 2, checksum, save and open, and
// the decoding of a log that the simulated sensor's firmware wrote.

#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorLog.h"
#include "common/Crc16.h"
#include "sim/ErrorLogMemory.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

using namespace veldris;

namespace {

ErrorLogDescriptor completeDescriptor()
{
    ErrorLogDescriptor d;
    d.uid = "0x0610a200"; // read back in lower case, with a "0x0" before the number
    d.firmwareVersion = "1.4.0.12";
    d.itemNumber = 4711001;
    d.serialNumber = 100234;
    d.pagesize = 0x40;
    d.pagecnt = 4;
    d.pageheader = "AFEEXXXX";
    d.uidListed = 1;
    d.errorstruct = "EEEETTVV";
    d.list = 0xFFFFFFFF;
    d.ebit.resize(32);
    std::iota(d.ebit.begin(), d.ebit.end(), 1); // bit i -> error number i
    d.ibit.assign(32, 0x12);                    // unsigned 16-bit, 2 decimals
    d.log = {1, 2, 3};
    return d;
}

// The log memory as the sensor's firmware writes these entries (listed layout, 8-byte entries).
std::vector<std::uint8_t> sensorMemory()
{
    sim::ErrorLogLayout layout{0x1000, 0x40, 4, "EEEETTVV", "AFEEXXXX", true};
    return sim::buildErrorLogMemory(layout, {{0x43, 0, 0}, {0x00000100, 12, 50000}, {0x00000004, 340, 1234},
                                             {0x41, 341, 1000}, {0x00000024, 1201, 65535}, {0x100, 1800, 50200},
                                             {0x42, 2048, 12}, {0x2, 2050, 0x8000}, {0x100, 2100, 49800}});
}

std::vector<std::string> columns(const std::vector<ErrorLogRow>& rows)
{
    std::vector<std::string> out;
    for (const ErrorLogRow& row : rows)
        out.push_back(std::to_string(row.timestamp) + "|" + errorNumberText(row.errorBits) + "|" + row.text + "|" + row.valueText);
    return out;
}

} // namespace

// A version 2 image of a log the sensor's firmware wrote: its header bytes and rows; saved, the
// file opens to the same rows and bytes. Then files that are no error log.
TEST(ErrorLog, Version2ImageOfWhatTheSensorWroteSurvivesSaveAndOpen)
{
    ErrorLog written;
    written.buildImage(completeDescriptor(), sensorMemory());
    const std::vector<std::uint8_t>& image = written.image();
    ASSERT_EQ(image.size(), 256u + 256u);
    EXPECT_EQ(std::memcmp(image.data(), "-KAVRO ErrorLog-\x00\x02\x06\x10\xa2\x00", 22), 0);
    EXPECT_EQ(image[30], 1);
    EXPECT_EQ(image[33], 12);
    EXPECT_EQ(image[125], 255); // terminator after three special numbers
    EXPECT_EQ(image[126] << 8 | image[127], crc16(image.data(), 126));
    EXPECT_EQ(std::count(image.begin() + 128, image.begin() + 256, 255), 128);
    EXPECT_TRUE(written.readHeader() && written.checksumMatches());
    EXPECT_EQ(written.descriptor().uid, "0x0610a200");
    EXPECT_EQ(written.descriptor().firmwareVersion, "1.4.0.12");
    EXPECT_EQ(written.descriptor().itemNumber, 4711001u);
    EXPECT_EQ(columns(written.rows()), (std::vector<std::string>{
                                       "0|0x43|START UP|0",
                                       "12|0x00000100|\xC3\x9C" "berlast|500.00 %",
                                       "340|0x00000004|Bilineare Interp. neg. Limit|12.34 ",
                                       "341|0x41|OVER RANGE|100.0%",
                                       "1201|0x24|Bilineare Interp. neg. Limit|655.35 ",
                                       "1800|0x00000100|\xC3\x9C" "berlast|502.00 %",
                                       "2048|0x42|UNDER RANGE|1.2%",
                                       "2050|0x00000002|Bilineare Interpolation|327.68 ",
                                       "2100|0x00000100|\xC3\x9C" "berlast|498.00 %",
                                   }));
    TemporaryDirectory dir;
    ASSERT_TRUE(written.save(dir.file("log")));               // ".kel" appended
    ASSERT_TRUE(written.save(dir.file("copy.kel")));          // kept
    ASSERT_TRUE(written.save(dir.file("upper.KEL")));         // case-sensitive: ".kel" appended
    const std::string saved = dir.read("log.kel");
    EXPECT_EQ(saved, std::string(image.begin(), image.end()));
    EXPECT_EQ(dir.read("copy.kel"), saved);
    EXPECT_EQ(dir.read("upper.KEL.kel"), saved);
    std::string error; // written through common/AtomicFile, whose failures are checked there
    EXPECT_FALSE(written.save(dir.file("missing/log.kel"), &error));
    EXPECT_FALSE(error.empty());

    ErrorLog opened;
    std::int32_t status = 0;
    const auto first = opened.load(dir.file("log.kel"), status);
    const auto second = opened.load(dir.file("log.kel"), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(columns(first), columns(written.rows()));
    EXPECT_EQ(columns(second), columns(first)); // the lists are replaced, not extended
    EXPECT_EQ(opened.descriptor().ebit.size(), 32u);
    EXPECT_EQ(opened.descriptor().log, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(std::string(opened.image().begin(), opened.image().end()), saved);

    // Files that are no error log: each says why.
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::int32_t status;
        bool rows;
    } cases[] = {
        {"empty", {}, errorLogNotValid, false},
        {"shorter than the header", std::vector<std::uint8_t>(image.begin(), image.begin() + 200), errorLogNotValid, false},
        {"header only", std::vector<std::uint8_t>(image.begin(), image.begin() + 256), 0, false},
        {"other magic", image, errorLogNotValid, false},
        {"version 3", image, errorLogNotValid, false},
        {"wrong checksum", image, errorLogNotValid, true},
    };
    cases[3].bytes[0] = 'x';
    cases[4].bytes[17] = 3;
    cases[5].bytes[127] ^= 1;
    for (Case& c : cases) {
        ErrorLog log;
        status = 0; // set only when the file is refused
        const auto rows = log.loadBytes(c.bytes, status);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(!rows.empty(), c.rows) << c.name;
        EXPECT_EQ(status != 0, !log.problem().empty()) << c.name;
    }
    EXPECT_TRUE(opened.load(dir.file("none.kel"), status).empty());
    EXPECT_EQ(status, errorLogMissing);
    EXPECT_FALSE(opened.problem().empty());
}

TEST(ErrorLog, Version1HeaderAndUidTexts)
{
    // Version 1: no serial, item or firmware; the layout fields stand earlier.
    std::vector<std::uint8_t> image(256, 0);
    std::memcpy(image.data(), "-KAVRO ErrorLog-\x00\x01\x00\x00\x00\x05\x00\x40\x04", 25);
    std::memcpy(&image[25], "AFEEXXXX\x01" "EEEETTVV\xFF\xFF\xFF\xFF", 21);
    for (std::size_t i = 0; i < 32; ++i) {
        image[46 + i] = static_cast<std::uint8_t>(i + 1); // ebit
        image[78 + i] = 0x12;                             // ibit
    }
    image[110] = 1, image[111] = 2, image[112] = 3, image[113] = 255;
    const std::uint16_t crc = crc16(image.data(), 114);
    image[114] = static_cast<std::uint8_t>(crc >> 8), image[115] = static_cast<std::uint8_t>(crc);
    const std::vector<std::uint8_t> memory = sensorMemory();
    image.insert(image.end(), memory.begin(), memory.end());
    ErrorLog log;
    std::int32_t status = 0;
    const auto rows = log.loadBytes(image, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(log.descriptor().version, 1);
    EXPECT_EQ(log.descriptor().uid, "0x005");
    EXPECT_EQ(log.descriptor().firmwareVersion, "n/a");
    EXPECT_EQ(log.descriptor().itemNumber, 0u);
    EXPECT_EQ(log.descriptor().pagesize, 0x40);
    EXPECT_EQ(log.descriptor().log, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(rows.size(), 9u);
}
