// The error-log ring the simulated sensor's firmware leaves in flash, read back by an
// independent reader that walks the pages as the service tool does.

#include "sim/ErrorLogMemory.h"

#include <gtest/gtest.h>

#include <tuple>

using sim::ErrorLogEntry;
using sim::ErrorLogLayout;

namespace {

using ReadEntry = std::tuple<std::uint32_t, std::uint16_t, std::uint32_t>; // error, timestamp, value

// Reads the ring back the way the service tool does: current page by its state, oldest page
// searched from there, pages walked from the oldest, a page after an empty slot passed over.
std::vector<ReadEntry> readRing(const ErrorLogLayout& l, const std::vector<std::uint8_t>& m)
{
    const std::size_t n = l.pageCount, S = sim::entrySize(l.errorStruct), errBytes = S == 8 ? 4 : 1;
    const bool withT = l.errorStruct.find('T') != std::string::npos;
    const auto le = [&](std::size_t at, std::size_t bytes) {
        std::uint32_t v = 0;
        while (bytes-- > 0)
            v = v << 8 | m[at + bytes];
        return v;
    };
    const auto state = [&](std::size_t p, std::size_t b) { return m[p % n * l.pageSize + b]; };
    std::size_t current = 0;
    while (current < n && !(l.listed ? state(current, 0) == 'C' : state(current, 0) == 'B' && state(current, 1) == 0xFF))
        ++current;
    std::size_t step = 0; // to the oldest page; none holding older data: the current one
    while (step < n && !(state(current + step, 0) == 'B' && (l.listed || state(current + step, 1) == 'S')))
        ++step;
    const std::size_t oldest = (current + step % n) % n;
    std::vector<ReadEntry> out;
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t page = (oldest + j) % n * l.pageSize;
        for (std::size_t at = page + sim::pageHeaderLength(l.pageHeader); at + S <= page + l.pageSize; at += S) {
            const std::uint32_t e = le(at, errBytes);
            if (e == (S == 8 ? 0xFFFFFFFFu : 0xFFu)) {
                ++j;
                break;
            }
            out.emplace_back(e, withT ? le(at + errBytes, 2) : 0, le(at + errBytes + (withT ? 2 : 0), withT ? 2 : 4));
        }
    }
    return out;
}

ErrorLogLayout layout(const std::string& pattern, bool listed, std::uint16_t pageSize = 32, std::uint8_t pages = 4,
                      const std::string& header = "AAXXXXXX")
{
    return {0x1000, pageSize, pages, pattern, header, listed};
}

} // namespace

// The newest entries read back oldest first, whatever page the firmware began on, once the ring
// has wrapped round and lost its oldest pages, with fields wider than the pattern cut to what it
// stores. 32-byte pages with a 2-byte header hold 3 slots for 8-byte entries and 6 for 5-byte
// entries (the sixth ends exactly at the page end); 16-byte pages hold one 8-byte entry, as a
// second would reach into the next page.
TEST(ErrorLogMemory, ReadsBackTheNewestEntriesOldestFirst)
{
    const struct {
        const char* pattern;
        std::uint16_t pageSize;
        std::size_t slots;
    } geometries[] = {{"EEEETTVV", 32, 3}, {"EEEEVVVV", 32, 3}, {"ETTVVXXX", 32, 6}, {"EVVVVXXX", 32, 6}, {"EEEETTVV", 16, 1}};
    // entries written, first page (6 wraps round to page 2)
    const std::pair<std::size_t, unsigned> counts[] = {{0, 0}, {1, 0}, {3, 2}, {7, 3}, {12, 1}, {13, 0}, {16, 3}, {100, 6}};
    for (const auto& [pattern, pageSize, slots] : geometries)
        for (const bool listed : {false, true})
            for (const auto& [written, firstPage] : counts) {
                SCOPED_TRACE(testing::Message() << pattern << " pages of " << pageSize << " listed " << listed << " n " << written);
                const bool mask = pattern[1] == 'E', withT = std::string(pattern).find('T') != std::string::npos;
                const std::size_t pagesLost = written > 4 * slots ? (written + slots - 1) / slots - 4 : 0;
                std::vector<ErrorLogEntry> entries;
                std::vector<ReadEntry> expected;
                for (std::size_t i = 0; i < written; ++i) { // special entries 'A'..'C' among the faults
                    const std::uint32_t error = i % 5 == 4 ? 0x41 + i % 3 : mask ? 1u << (i % 32) | 0x80000000u : 1 + i % 32;
                    const ErrorLogEntry e{error, static_cast<std::uint16_t>(0x100 + i * 7), 0xA5A50000u + static_cast<std::uint32_t>(i * 3)};
                    entries.push_back(e);
                    if (i >= pagesLost * slots)
                        expected.emplace_back(mask ? e.error : e.error & 0xFF, withT ? e.timestamp : 0, withT ? e.value & 0xFFFF : e.value);
                }
                std::string error;
                const ErrorLogLayout l = layout(pattern, listed, pageSize);
                const auto memory = sim::buildErrorLogMemory(l, entries, firstPage, &error);
                ASSERT_EQ(memory.size(), 4u * pageSize) << error;
                EXPECT_EQ(readRing(l, memory), expected);
            }
}

// The state bytes of the pages in both layouts, the header left erased, and the packing of 5-
// and 8-byte entries.
TEST(ErrorLogMemory, StateBytesAndPackedEntries)
{
    auto m = sim::buildErrorLogMemory(layout("EVVVVXXX", false), {}, 6); // page numbers count round the ring
    ASSERT_EQ(m.size(), 128u);
    for (std::size_t i = 0; i < m.size(); ++i) // without entries only the first page is current
        EXPECT_EQ(m[i], i == 64 ? 'B' : 0xFF) << i;

    ErrorLogLayout l = layout("ETTVVXXX", false, 32, 4, "AAFEXXXX");

    const std::vector<ErrorLogEntry> six(6, {0x05, 0x1234, 0xFFFFABCD}); // 5 slots per page: one left for page 2
    m = sim::buildErrorLogMemory(l, six, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(m.begin() + 32, m.begin() + 42),
              (std::vector<std::uint8_t>{'B', 'S', 0, 0, 0x05, 0x34, 0x12, 0xCD, 0xAB, 0x05}));
    EXPECT_EQ(std::vector<std::uint8_t>(m.begin() + 64, m.begin() + 75),
              (std::vector<std::uint8_t>{'B', 0xFF, 0, 0, 0x05, 0x34, 0x12, 0xCD, 0xAB, 0xFF, 0xFF}));
    EXPECT_EQ(m[0], 0xFF); // never written pages stay erased, header included
    EXPECT_EQ(m[2], 0xFF);

    l.listed = true;
    m = sim::buildErrorLogMemory(l, six, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(m.begin() + 64, m.begin() + 66), (std::vector<std::uint8_t>{'C', 0xFF}));

    l.errorStruct = "EEEEVVVV";
    m = sim::buildErrorLogMemory(l, {{0x104, 9, 0xDEADBEEF}});
    EXPECT_EQ(std::vector<std::uint8_t>(m.begin(), m.begin() + 13),
              (std::vector<std::uint8_t>{'C', 0xFF, 0, 0, 0x04, 0x01, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE, 0xFF}));
}

TEST(ErrorLogMemory, RefusesLayoutsTheFirmwareCannotKeep)
{
    const ErrorLogLayout bad[] = {
        layout("EEEETTV", false),                     // unknown pattern
        layout("EEEETTVV", false, 32, 4, "AXXXXXXX"), // no room for both state bytes
        layout("EEEETTVV", false, 32, 4, "AAZXXXXX"), // letter outside A, F, E, X
        layout("EEEETTVV", false, 32, 4, "AA"),       // not 8 characters
        layout("EEEETTVV", false, 32, 0),             // no pages
        layout("EEEETTVV", false, 3, 4, "AAAAXXXX"),  // header longer than the page
        layout("EEEETTVV", false, 9),                 // 2 + 8 > 9
        layout("ETTVVXXX", false, 6),                 // 2 + 5 > 6
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
