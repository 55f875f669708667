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
#include <tuple>

using namespace veldris;

namespace {

ErrorLogDescriptor completeDescriptor()
{
    std::vector<std::int32_t> ebit(32);
    std::iota(ebit.begin(), ebit.end(), 1); // bit i -> error number i
    // The UID reads back in lower case, with a "0x0" before the number; 0x12: unsigned 16-bit,
    // 2 decimals.
    return {.uid = "0x0610a200",
            .firmwareVersion = "1.4.0.12",
            .itemNumber = 4711001,
            .serialNumber = 100234,
            .pagesize = 0x40,
            .pagecnt = 4,
            .pageheader = "AFEEXXXX",
            .uidListed = 1,
            .errorstruct = "EEEETTVV",
            .list = 0xFFFFFFFF,
            .ebit = ebit,
            .ibit = std::vector<std::int32_t>(32, 0x12),
            .log = {1, 2, 3}};
}

// The log memory as the sensor's firmware writes these entries (listed layout, 8-byte entries).
std::vector<std::uint8_t> sensorMemory()
{
    sim::ErrorLogLayout layout{0x1000, 0x40, 4, "EEEETTVV", "AFEEXXXX", true};
    return sim::buildErrorLogMemory(layout, {{0x43, 0, 0},
                                             {0x00000100, 12, 50000},
                                             {0x00000004, 340, 1234},
                                             {0x41, 341, 1000},
                                             {0x00000024, 1201, 65535},
                                             {0x100, 1800, 50200},
                                             {0x42, 2048, 12},
                                             {0x2, 2050, 0x8000},
                                             {0x100, 2100, 49800}});
}

std::vector<std::string> columns(const std::vector<ErrorLogRow>& rows)
{
    std::vector<std::string> out;
    for (const ErrorLogRow& row : rows)
        out.push_back(std::to_string(row.timestamp) + "|" + errorNumberText(row.errorBits) + "|" + row.text + "|"
                      + row.valueText);
    return out;
}

} // namespace

// A version 2 image of a log the sensor's firmware wrote: its header bytes and rows; saved, the
// file opens to the same header fields, rows and bytes. Then files that are no error log, and a
// version 1 file of the same log.
TEST(ErrorLog, ImageOfWhatTheSensorWroteSurvivesSaveAndOpenInEitherVersion)
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
    EXPECT_EQ(columns(written.rows()),
              (std::vector<std::string>{"0|0x43|START UP|0",
                                        "12|0x00000100|\xC3\x9C"
                                        "berlast|500.00 %",
                                        "340|0x00000004|Bilineare Interp. neg. Limit|12.34 ", "341|0x41|OVER RANGE|100.0%",
                                        "1201|0x24|Bilineare Interp. neg. Limit|655.35 ",
                                        "1800|0x00000100|\xC3\x9C"
                                        "berlast|502.00 %",
                                        "2048|0x42|UNDER RANGE|1.2%", "2050|0x00000002|Bilineare Interpolation|327.68 ",
                                        "2100|0x00000100|\xC3\x9C"
                                        "berlast|498.00 %"}));
    TemporaryDirectory dir;
    ASSERT_TRUE(written.save(dir.file("log"))); // ".kel" appended
    const std::string saved = dir.read("log.kel");
    EXPECT_EQ(saved, std::string(image.begin(), image.end()));
    std::string error; // written through common/AtomicFile, whose failures are checked there
    EXPECT_FALSE(written.save(dir.file("missing/log.kel"), &error));
    EXPECT_FALSE(error.empty());

    ErrorLog opened;
    ErrorLogStatus status = ErrorLogStatus::Ok;
    opened.load(dir.file("log.kel"), status);
    const auto rows = opened.load(dir.file("log.kel"), status);
    EXPECT_EQ(status, ErrorLogStatus::Ok);
    EXPECT_EQ(columns(rows), columns(written.rows())); // the lists are replaced, not extended
    EXPECT_EQ(opened.descriptor().uid, "0x0610a200");
    EXPECT_EQ(opened.descriptor().firmwareVersion, "1.4.0.12");
    EXPECT_EQ(opened.descriptor().itemNumber, 4711001u);
    EXPECT_EQ(std::string(opened.image().begin(), opened.image().end()), saved);

    // Files that are no error log: each says why; a damaged checksum still shows its rows.
    const auto changed = [&](std::size_t at, std::uint8_t byte) {
        std::vector<std::uint8_t> bytes = image;
        bytes[at] = byte;
        return bytes;
    };
    const std::tuple<const char*, std::vector<std::uint8_t>, ErrorLogStatus, bool> cases[] = {
        {"empty", {}, ErrorLogStatus::NotValid, false},
        {"shorter than the header", {image.begin(), image.begin() + 200}, ErrorLogStatus::NotValid, false},
        {"header only", {image.begin(), image.begin() + 256}, ErrorLogStatus::Ok, false},
        {"other magic", changed(0, 'x'), ErrorLogStatus::NotValid, false},
        {"version 3", changed(17, 3), ErrorLogStatus::NotValid, false},
        {"wrong checksum", changed(127, image[127] ^ 1), ErrorLogStatus::NotValid, true},
    };
    for (const auto& [name, bytes, expected, hasRows] : cases) {
        ErrorLog log;
        status = ErrorLogStatus::Ok; // set only when the file is refused
        EXPECT_EQ(!log.loadBytes(bytes, status).empty(), hasRows) << name;
        EXPECT_EQ(status, expected) << name;
        EXPECT_EQ(status != ErrorLogStatus::Ok, !log.problem().empty()) << name;
    }
    EXPECT_TRUE(opened.load(dir.file("none.kel"), status).empty());
    EXPECT_EQ(status, ErrorLogStatus::Missing);
    EXPECT_FALSE(opened.problem().empty());

    // Version 1: no serial, item or firmware; the layout fields stand earlier.
    std::vector<std::uint8_t> old(256, 0);
    std::memcpy(old.data(), "-KAVRO ErrorLog-\x00\x01\x00\x00\x00\x05\x00\x40\x04", 25);
    std::memcpy(&old[25],
                "AFEEXXXX\x01"
                "EEEETTVV\xFF\xFF\xFF\xFF",
                21);
    std::iota(old.begin() + 46, old.begin() + 78, std::uint8_t{1}); // ebit
    std::fill(old.begin() + 78, old.begin() + 110, 0x12);           // ibit
    old[110] = 1, old[111] = 2, old[112] = 3, old[113] = 255;
    const std::uint16_t crc = crc16(old.data(), 114);
    old[114] = static_cast<std::uint8_t>(crc >> 8), old[115] = static_cast<std::uint8_t>(crc);
    const std::vector<std::uint8_t> memory = sensorMemory();
    old.insert(old.end(), memory.begin(), memory.end());
    ErrorLog log;
    status = ErrorLogStatus::Ok;
    EXPECT_EQ(columns(log.loadBytes(old, status)), columns(written.rows()));
    EXPECT_EQ(status, ErrorLogStatus::Ok);
    EXPECT_EQ(log.descriptor().version, 1);
    EXPECT_EQ(log.descriptor().uid, "0x005");
    EXPECT_EQ(log.descriptor().firmwareVersion, "n/a");
}
