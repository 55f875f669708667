// The decoding of a sensor's error-log memory: the walk over the ring of flash pages, the four
// entry patterns, special entries, the list filter, the value texts and the error texts. Every
// image is laid out byte by byte here: a zeroed 256-byte header, then the pages as erased flash
// (0xFF) with their state bytes and little-endian entries.

#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorTexts.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <climits>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <tuple>

using namespace veldris;

namespace {

constexpr std::size_t imageHeaderBytes = 256;

struct LogMemory {
    std::size_t pagesize;
    std::vector<std::uint8_t> bytes;

    LogMemory(std::size_t pagesize, std::size_t pagecnt) : pagesize(pagesize), bytes(pagesize * pagecnt, 0xFF) {}

    void state(std::size_t page, std::uint8_t first, std::uint8_t second)
    {
        bytes.at(page * pagesize) = first;
        bytes.at(page * pagesize + 1) = second;
    }

    // Entry number `slot` of a page with a 2-byte header, little-endian. In the T patterns the
    // timestamp is the low half of the four bytes after the error field and the 16-bit value the
    // high half.
    void entry(const std::string& pattern, std::size_t page, std::size_t slot, std::uint32_t error, std::uint16_t timestamp,
               std::uint32_t value)
    {
        const std::size_t errorBytes = pattern[1] == 'E' ? 4 : 1, at = page * pagesize + 2 + slot * (errorBytes + 4);
        const std::uint32_t word = pattern.find('T') != std::string::npos ? value << 16 | timestamp : value;
        const std::uint64_t all = std::uint64_t{word} << 8 * errorBytes | (errorBytes == 4 ? error : error & 0xFF);
        for (std::size_t i = 0; i < errorBytes + 4; ++i)
            bytes.at(at + i) = static_cast<std::uint8_t>(all >> 8 * i);
    }

    // The image with the first `memoryBytes` bytes of the memory (all by default), its storage
    // ending where it ends, so that the sanitizer sees any read past the end.
    std::vector<std::uint8_t> image(std::size_t memoryBytes = SIZE_MAX) const
    {
        std::vector<std::uint8_t> result(imageHeaderBytes, 0);
        const auto end = bytes.begin() + static_cast<long>(std::min(memoryBytes, bytes.size()));
        result.insert(result.end(), bytes.begin(), end);
        result.shrink_to_fit();
        return result;
    }
};

// Error bit i has error number i + 1 and shows its value unsigned without decimals; all bits
// are in the list; the special entries are 201, 202, 203. The page header is 2 bytes.
ErrorLogDescriptor descriptorFor(const std::string& pattern, std::uint16_t pagesize, std::uint8_t pagecnt,
                                 std::uint8_t uidListed = 0)
{
    std::vector<std::int32_t> ebit(32);
    std::iota(ebit.begin(), ebit.end(), 1);
    return {.uid = "",
            .firmwareVersion = "",
            .pagesize = pagesize,
            .pagecnt = pagecnt,
            .pageheader = "AFXXXXXX",
            .uidListed = uidListed,
            .errorstruct = pattern,
            .list = 0xFFFFFFFF,
            .ebit = ebit,
            .ibit = std::vector<std::int32_t>(32, 0x10),
            .log = {1, 2, 3}};
}

std::vector<float> valuesOf(const std::vector<ErrorLogRow>& rows)
{
    std::vector<float> result;
    for (const ErrorLogRow& row : rows)
        result.push_back(row.value);
    return result;
}

using Decode = QuietDiagnostics;

} // namespace

// ---- texts ----------------------------------------------------------------------------------

// Numbers outside the error text table come from description files it does not cover: they have
// no unit (their "Unbekannter Fehler N" text shows in SingleEntries; the table's texts, units and
// the padded error numbers of single bits in the rows of ErrorLogTest).
TEST(ErrorLogTexts, ErrorTextsValueTextsAndErrorNumbers)
{
    EXPECT_EQ(errorUnit(55), "");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::tuple<float, std::uint32_t, std::uint32_t, const char*> cases[] = {
        {50000, 2, 2, "-155.36"},
        {-1, 1, 0, "65535"}, // the low 16 bits, signed or not
        {-2.9f, 2, 0, "-2"},
        {3000000000.0f, 1, 0, "24064"},
        {nan, 1, 1, "0.0"}, // truncated, not rounded
        {1000000, 3, 0, "1000000"},
        {12, 4, 2, ""}, // kind 3: never in exponent notation; kind 4: no number
        // The widest text there is: the largest float with the most decimals a nibble holds.
        {-FLT_MAX, 3, 40, "-340282346638528859811704183484516925440.000000000000000"},
    };
    for (const auto& [value, kind, decimals, text] : cases)
        EXPECT_EQ(formatValue(value, kind, decimals), text) << value << " kind " << kind;
    // Padded to 8 digits only for a single bit or none.
    EXPECT_EQ(errorNumberText(0), "0x00000000");
    EXPECT_EQ(errorNumberText(0x10001), "0x10001");
}

// ---- walking the ring -----------------------------------------------------------------------

// Where the walk starts and where each page ends. The value of entry `slot` of `page` is
// 10 * page + slot + 1. 16-byte pages hold one 8-byte entry, 32-byte pages three (a further
// slot must still fit behind a slot for it to be taken).
TEST_F(Decode, RingWalkFromTheOldestPage)
{
    using State = std::pair<std::uint8_t, std::uint8_t>;
    const State current{'B', 0xFF}, older{'B', 'S'}, none{0, 0};
    struct Case {
        const char* what;
        std::uint16_t pagesize;
        std::uint8_t listed;
        std::vector<State> states;
        std::vector<std::size_t> slots;
        std::vector<float> order;
        std::size_t memoryBytes = SIZE_MAX;
    } cases[] = {
        {"current 2, older found after it", 16, 0, {older, older, current, older}, {1, 1, 1, 1}, {31, 1, 11, 21}},
        {"search wraps round", 16, 0, {older, older, current, none}, {1, 1, 1, 1}, {1, 11, 21, 31}},
        {"no older page: the current one", 16, 0, {none, none, current, none}, {1, 1, 1, 1}, {21, 31, 1, 11}},
        {"no current page: from page 0", 16, 0, {none, none, older, none}, {1, 1, 1, 1}, {21, 31, 1, 11}},
        {"nothing marked", 16, 0, {none, none, none, none}, {1, 1, 1, 1}, {1, 11, 21, 31}},
        {"'C' is no state in this layout", 16, 0, {older, older, {'C', 0}, older}, {1, 1, 1, 1}, {1, 11, 21, 31}},
        {"listed: current 'C', older 'B'", 16, 1, {{'B', 0}, {'B', 'S'}, {'C', 0}, {'B', 0xFF}}, {1, 1, 1, 1}, {31, 1, 11, 21}},
        {"listed: current 'C' alone", 16, 1, {none, {'C', 'S'}, none, none}, {1, 1, 1, 1}, {11, 21, 31, 1}},
        // An erased slot marks the page being written: the page after it is the next to be
        // erased, and is passed over. A full page is not.
        {"page after an erased slot", 32, 0, {older, older, current, none}, {1, 3, 1, 0}, {1, 21}},
        {"page after a full page", 32, 0, {older, older, current, none}, {3, 3, 1, 0}, {1, 2, 3, 11, 12, 13, 21}},
        // A slot cut off by the end of a short readout ends its page, but passes over nothing.
        {"whole memory", 32, 0, {current, older}, {1, 3}, {11, 12, 13, 1}},
        {"slot cut off by the memory end", 32, 0, {current, older}, {1, 3}, {11, 1}, 32 + 15},
    };
    for (const Case& c : cases) {
        LogMemory memory(c.pagesize, c.states.size());
        for (std::size_t page = 0; page < c.states.size(); ++page) {
            memory.state(page, c.states[page].first, c.states[page].second);
            for (std::size_t slot = 0; slot < c.slots[page]; ++slot)
                memory.entry("EEEETTVV", page, slot, 1, 0, static_cast<std::uint32_t>(10 * page + slot + 1));
        }
        const auto d = descriptorFor("EEEETTVV", c.pagesize, static_cast<std::uint8_t>(c.states.size()), c.listed);
        EXPECT_EQ(valuesOf(decodeEntries(d, memory.image(c.memoryBytes))), c.order) << c.what;
    }
}

// ---- single entries: fields, error bits, the list filter, special entries ---------------------

// A T pattern's value is the 16 bits after the timestamp, a V-only pattern's all 32 bits (and it
// has no timestamp); a float (kind 3) takes all four bytes, in the T patterns the timestamp's as
// well. Only the low byte of an ibit is the format. A bit mask is numbered by its lowest bit and
// passes the filter when any of its bits is listed; an index i stands for bit i - 1; a mask
// without a set bit or an index outside 1..32 is never listed. Only the whole error word
// 0x41..0x43 is a special entry, listed whatever the list says; its number is 200 + log element,
// wrapping round, a missing element counting as 0. Here ebit[2] = 7, ebit[5] = 30, others i + 1,
// and the ebit and ibit lists end at bit 30.
TEST_F(Decode, SingleEntries)
{
    struct Case {
        const char* pattern;
        std::uint32_t error;
        std::uint16_t timestamp;
        std::uint32_t value; // stored V
        std::int32_t format; // ibit of the entry's bit; -1: the default 0x10
        std::uint32_t list;
        bool filter;
        std::int32_t number = 0;
        std::uint32_t errorBits = 0; // 0: no row
        float rowValue = 0;
        const char* valueText = "";
        const char* text = nullptr; // the number's error text by default
        std::vector<std::int32_t> log = {1, 2, 3};
    } cases[] = {
        {"EEEETTVV", 0x24, 0x1234, 0xFFFE, 0x20, 1u << 5, true, 7, 0x24, -2, "-2 "},
        {"EEEEVVVV", 0x1, 0, 70000, 0x10, ~0u, true, 1, 0x1, 70000, "4464 "},
        {"ETTVVXXX", 9, 0x0102, 1000, 0x11, 1u << 8, true, 9, 0x100, 1000, "100.0 %"},
        {"EVVVVXXX", 2, 0, 0x80000000, 0x20, ~0u, true, 2, 0x2, -2147483648.0f, "0 "},
        // 3.14159f is 0x40490FD0: in a T pattern the timestamp is its low half.
        {"EEEETTVV", 0x1, 0x0FD0, 0x4049, 0x32, ~0u, true, 1, 0x1, 3.14159f, "3.14 "},
        {"EVVVVXXX", 1, 0, 0x40490FD0, 0x32, ~0u, true, 1, 0x1, 3.14159f, "3.14 "},
        {"EEEEVVVV", 0x1, 0, 1234, 0x7F22, ~0u, true, 1, 0x1, 1234, "12.34 "},
        {"ETTVVXXX", 32, 7, 0x8000, -1, ~0u, true, 0, 0x80000000, 0, " "}, // beyond the lists
        {"EEEEVVVV", 0x24, 0, 0, -1, 1u << 3, true},
        {"EVVVVXXX", 3, 0, 0, -1, ~(1u << 2), true},
        {"EEEEVVVV", 0x24, 0, 0, -1, 0, false, 7, 0x24, 0, "0 "},
        {"EEEETTVV", 0x141, 0, 0, -1, 0, true},
        {"EEEETTVV", 0x141, 0, 0, -1, 1, true, 1, 0x141, 0, "0 "},
        {"EEEETTVV", 0, 0, 0, -1, 0, false},
        {"ETTVVXXX", 0, 0, 0, -1, 0, false},
        {"ETTVVXXX", 33, 0, 0, -1, 0, false},
        // Special entries. A 16-bit V is unsigned before formatting; in the V-only patterns it is a float.
        {"EEEETTVV", 'B', 0x0102, 0xFFF6, -1, 0, true, 202, 'B', 65526, "-1.0%", "UNDER RANGE"},
        {"EEEEVVVV", 'A', 0, std::bit_cast<std::uint32_t>(55.0f), -1, 0, true, 201, 'A', 55, "5.5%", "OVER RANGE"},
        {"EEEETTVV", 'B', 0, 1000, -1, 0, true, INT_MIN + 199, 'B', 1000, "", "Unbekannter Fehler -2147483449", {4, INT_MAX}},
        {"EEEETTVV", 'C', 0, 1000, -1, 0, true, 200, 'C', 1000, "", "Unbekannter Fehler 200", {4, INT_MAX}},
    };
    for (const Case& c : cases) {
        const std::string pattern = c.pattern;
        SCOPED_TRACE(pattern + " error " + std::to_string(c.error) + " list " + std::to_string(c.list));
        ErrorLogDescriptor d = descriptorFor(pattern, 32, 1);
        d.ebit[2] = 7, d.ebit[5] = 30;
        d.ebit.resize(31), d.ibit.resize(31);
        if (c.format >= 0)
            d.ibit[pattern[1] == 'E' ? static_cast<std::size_t>(std::countr_zero(c.error)) : c.error - 1] = c.format;
        d.list = c.list;
        d.log = c.log;
        LogMemory memory(32, 1);
        memory.state(0, 'B', 0xFF);
        memory.entry(pattern, 0, 0, c.error, c.timestamp, c.value);
        const auto rows = decodeEntries(d, memory.image(), c.filter);
        ASSERT_EQ(rows.size(), c.errorBits ? 1u : 0u);
        if (!c.errorBits)
            continue;
        EXPECT_EQ(rows[0].timestamp, pattern.find('T') != std::string::npos ? c.timestamp : 0);
        EXPECT_EQ(rows[0].errorBits, c.errorBits);
        EXPECT_EQ(rows[0].errorNumber, c.number);
        EXPECT_EQ(rows[0].text, c.text ? c.text : errorText(c.number));
        EXPECT_EQ(rows[0].value, c.rowValue);
        EXPECT_EQ(rows[0].valueText, c.valueText);
    }
}

// ---- damaged, short and arbitrary logs ------------------------------------------------------

// How many entries a page holds (whether a slot that ends at the page end is taken shows in the
// 5-byte patterns of the truncation test): the page header is as long as its stored letters (X:
// not stored). Unknown patterns,
// rings without a page or with a page that is all header give no rows. Every byte of the
// memory is 0x01, so every slot, wherever it starts, holds an entry, and every page is full.
TEST_F(Decode, EntriesPerPageOrNoneForAnUnusableDescriptor)
{
    LogMemory memory(32, 4);
    std::fill(memory.bytes.begin(), memory.bytes.end(), 0x01);
    const std::tuple<const char*, std::uint16_t, std::uint8_t, const char*, std::size_t> cases[] = {
        {"EEEETTVV", 32, 2, "AFEAXXXX", 6},  // 4-byte header: 4, 12, 20
        {"ETTVVXXX", 32, 4, "XAXFXXXX", 24}, // X anywhere: still a 2-byte header
        {"EEEETTVV", 0, 4, "AFXXXXXX", 0},   {"EEEETTVV", 32, 0, "AFXXXXXX", 0}, {"EEEETTVV", 2, 4, "AFXXXXXX", 0},
        {"EEEETTVV", 7, 4, "AFEAFEAF", 0},   {"", 32, 4, "AFXXXXXX", 0},         {"EEEETTV", 32, 4, "AFXXXXXX", 0},
        {"eeeettvv", 32, 4, "AFXXXXXX", 0},  {"EEEEVVVX", 32, 4, "AFXXXXXX", 0}, {"TTVVEEEE", 32, 4, "AFXXXXXX", 0},
    };
    for (const auto& [pattern, pagesize, pagecnt, pageheader, count] : cases) {
        ErrorLogDescriptor d = descriptorFor(pattern, pagesize, pagecnt);
        d.pageheader = pageheader;
        EXPECT_EQ(decodeEntries(d, memory.image()).size(), count) << pattern << " " << pagesize << " " << pageheader;
    }
    for (const std::size_t size : {0, 255, 256}) // an image without memory
        EXPECT_TRUE(decodeEntries(descriptorFor("EEEETTVV", 32, 4), std::vector<std::uint8_t>(size, 0x01)).empty());
}

// Every pattern in both page-state layouts reads a wrapped ring oldest first. A readout that
// lost its last uploads leaves the memory short: whatever is missing, the rows are some of the
// full memory's rows, in the same order.
TEST_F(Decode, EveryTruncationGivesAnOrderedSubsetOfTheFullRows)
{
    for (const std::string pattern : {"EEEETTVV", "EEEEVVVV", "ETTVVXXX", "EVVVVXXX"})
        for (const bool listed : {false, true}) {
            // Pages 2, 3, 0 hold older entries, page 1 is being written (two entries, then an
            // erased slot). Entry values count up in the order they were written.
            LogMemory memory(32, 4);
            std::uint32_t value = 1;
            for (const std::size_t page : {2, 3, 0, 1}) {
                if (page == 1)
                    memory.state(page, listed ? 'C' : 'B', 0xFF);
                else
                    memory.state(page, 'B', listed ? 0 : 'S');
                for (std::size_t slot = 0; slot < (page == 1 ? 2 : pattern[1] == 'E' ? 3 : 6); ++slot)
                    memory.entry(pattern, page, slot, 1, 0, value++);
            }
            const ErrorLogDescriptor d = descriptorFor(pattern, 32, 4, listed);
            const std::vector<float> full = valuesOf(decodeEntries(d, memory.image()));
            std::vector<float> expected(value - 1);
            std::iota(expected.begin(), expected.end(), 1.0f);
            ASSERT_EQ(full, expected) << pattern;
            for (std::size_t length = 0; length <= memory.bytes.size(); ++length) {
                const std::vector<float> part = valuesOf(decodeEntries(d, memory.image(length)));
                // `full` counts up, so rows in its order count up too.
                EXPECT_TRUE(std::adjacent_find(part.begin(), part.end(), std::greater_equal<>()) == part.end()
                            && std::includes(full.begin(), full.end(), part.begin(), part.end()))
                    << pattern << " " << length;
            }
        }
}

// Arbitrary descriptors over memories whole or cut short anywhere: no read outside the memory
// (the sanitizers watch), each page taken at most once, only what the filter lets through, and
// as many rows again for the same input. The memories are cut from one pool rich in the bytes
// that steer the walk (page states, letter codes, small indexes, erased runs of 0xFF).
TEST_F(Decode, RandomDescriptorsAndMemoriesDecodeWithinBounds)
{
    std::mt19937 random(20240611);
    const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    static constexpr std::uint8_t marks[] = {0xFF, 'B', 'C', 'S', 0x41, 0x42, 0x43, 0x00, 0x01, 0x20, 0x21};
    std::vector<std::uint8_t> pool;
    while (pool.size() < (1u << 20)) {
        const bool erased = below(3) == 0;
        for (std::uint32_t run = 1 + below(48); run > 0; --run)
            pool.push_back(erased ? 0xFF : below(2) ? marks[below(std::size(marks))] : std::uint8_t(random()));
    }
    const std::string patterns[] = {"EEEETTVV", "EEEEVVVV", "ETTVVXXX", "EVVVVXXX", "EEEETTVX", ""};
    const auto fill = [&](std::vector<std::int32_t>& list, std::uint32_t maxSize, std::uint32_t small) {
        for (std::uint32_t i = below(maxSize + 1); i > 0; --i)
            list.push_back(below(2) ? static_cast<std::int32_t>(below(small)) : static_cast<std::int32_t>(random()));
    };
    for (int round = 0; round < 20000; ++round) {
        ErrorLogDescriptor d;
        d.pagesize = static_cast<std::uint16_t>(below(601));
        d.pagecnt = static_cast<std::uint8_t>(below(9));
        d.uidListed = static_cast<std::uint8_t>(below(3)); // 2: a damaged flag
        d.errorstruct = patterns[below(std::size(patterns))];
        for (std::uint32_t i = below(11); i > 0; --i)
            d.pageheader += "AFEX?"[below(5)];
        d.list = below(4) == 0 ? 0 : static_cast<std::uint32_t>(random());
        fill(d.ebit, 33, 60), fill(d.ibit, 33, 256), fill(d.log, 4, 6);
        const std::size_t full = imageHeaderBytes + std::size_t{d.pagesize} * d.pagecnt;
        const std::size_t size = below(3) ? full + below(16) : random() % (full + 1);
        const auto from = pool.begin() + static_cast<long>(random() % (pool.size() - size));
        const std::vector<std::uint8_t> image(from, from + static_cast<long>(size));
        const bool filter = below(2);
        const auto rows = decodeEntries(d, image, filter);
        // Per page at most (pagesize - header) / S + 1 slots are taken.
        const std::size_t slotSize = d.errorstruct.size() == 8 && d.errorstruct[1] == 'E' ? 8 : 5;
        bool ok = rows.size() <= std::size_t{d.pagecnt} * (d.pagesize / slotSize + 1);
        for (const ErrorLogRow& row : rows)
            ok = ok && (row.errorBits - 0x41 < 3 || !filter || (row.errorBits & d.list) != 0) && row.kind <= 15
              && row.decimals <= 15 && !row.text.empty();
        ok = ok && (round % 16 != 0 || decodeEntries(d, image, filter).size() == rows.size());
        ASSERT_TRUE(ok) << "round " << round << ": pattern '" << d.errorstruct << "' pagesize " << d.pagesize << " pagecnt "
                        << int(d.pagecnt) << " image " << image.size();
    }
}
