// The error-log ring the simulated sensor's firmware leaves in flash, byte for byte. The service
// tool's reader walks such memories in ErrorLogReadoutTest and ErrorLogTest.

#include "sim/ErrorLogMemory.h"

#include <gtest/gtest.h>

#include <cstdio>

using sim::ErrorLogEntry;
using sim::ErrorLogLayout;
using Pages = std::vector<std::string>;

namespace {

// Each page as hexadecimal digits.
Pages pages(const std::vector<std::uint8_t>& memory, std::size_t pageSize)
{
    Pages out;
    for (std::size_t at = 0; at < memory.size(); ++at) {
        if (at % pageSize == 0)
            out.emplace_back();
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", memory[at]);
        out.back() += digits;
    }
    return out;
}

ErrorLogLayout layout(const std::string& pattern, bool listed, std::uint16_t pageSize = 32, std::uint8_t pages = 4,
                      const std::string& header = "AAXXXXXX")
{
    return {0x1000, pageSize, pages, pattern, header, listed};
}

} // namespace

// Six 8-byte entries into four 16-byte pages of one slot each, from page 5 (page 1 round the
// ring): the two oldest pages were erased for the newest entries. The page the firmware writes to
// is current ('B' and erased, or 'C' in the listed layout), the others hold older entries
// ("BS"); fields are little-endian, a value wider than its field cut to 16 bits.
TEST(ErrorLogMemory, WrappedRingByteForByte)
{
    std::vector<ErrorLogEntry> entries;
    for (std::uint32_t i = 0; i < 6; ++i)
        entries.push_back({0x80000000u + i, static_cast<std::uint16_t>(0x100 + i), 0xA5A55600u + i});
    Pages expected = {"42530300008003010356FFFFFFFFFFFF", "42530400008004010456FFFFFFFFFFFF",
                      "42FF0500008005010556FFFFFFFFFFFF", "42530200008002010256FFFFFFFFFFFF"};
    EXPECT_EQ(pages(sim::buildErrorLogMemory(layout("EEEETTVV", false, 16), entries, 5), 16), expected);
    expected[2].replace(0, 2, "43");
    EXPECT_EQ(pages(sim::buildErrorLogMemory(layout("EEEETTVV", true, 16), entries, 5), 16), expected);

    // Without entries only the page to be written next is marked; the rest stays erased.
    const std::string erased(32, 'F');
    EXPECT_EQ(pages(sim::buildErrorLogMemory(layout("EEEETTVV", false, 16), {}, 6), 16),
              (Pages{erased, erased, "42" + erased.substr(2), erased}));
}

// 5-byte entries (one-byte error index, 32-bit value) fill a page to its last byte; the header
// bytes behind the two state bytes are cleared when a page is taken into use.
TEST(ErrorLogMemory, ShortEntriesAndLongerHeader)
{
    const std::vector<ErrorLogEntry> entries = {{0x105, 0, 0x1234ABCD}, {0x106, 0, 0x1234ABCE}, {0x107, 0, 0x1234ABCF}};
    EXPECT_EQ(pages(sim::buildErrorLogMemory(layout("EVVVVXXX", true, 14, 2, "AAFEXXXX"), entries), 14),
              (Pages{"4253000005CDAB341206CEAB3412", "43FF000007CFAB3412FFFFFFFFFF"}));
}

TEST(ErrorLogMemory, RefusesLayoutsTheFirmwareCannotKeep)
{
    const ErrorLogLayout bad[] = {
        layout("EEEETTV", false),         // unknown pattern
        layout("EEEETTVV", false, 32, 0), // no pages
        layout("EEEETTVV", false, 9),     // 2 + 8 > 9
    };
    for (const ErrorLogLayout& l : bad) {
        SCOPED_TRACE(l.errorStruct + " " + l.pageHeader + " " + std::to_string(l.pageSize));
        std::string error;
        EXPECT_TRUE(sim::buildErrorLogMemory(l, {{1, 1, 1}}, 0, &error).empty());
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(sim::buildErrorLogMemory(l, {}).empty());
    }
    EXPECT_EQ(sim::buildErrorLogMemory(layout("EEEETTVV", false, 10), {}).size(), 40u); // 2 + 8 = 10 fits
}
