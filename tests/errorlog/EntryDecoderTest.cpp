// The decoding of a sensor's error-log memory: the walk over the ring of flash pages, the four
// entry patterns, special entries, the list filter, the value texts and the error texts. Every
// image is laid out byte by byte here: a zeroed 256-byte header, then the pages as erased flash
// (0xFF) with their state bytes and little-endian entries.

#include "common/Log.h"
#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorTexts.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdio>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <set>

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

    void put(std::size_t at, std::uint32_t value, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }

    // An entry at a byte offset of a page, laid out by `pattern`.
    void entry(const std::string& pattern, std::size_t page, std::size_t offset, std::uint32_t error,
               std::uint16_t timestamp, std::uint32_t value)
    {
        const std::size_t at = page * pagesize + offset, errorBytes = pattern[1] == 'E' ? 4 : 1;
        put(at, error, errorBytes);
        if (pattern.find('T') != std::string::npos) {
            put(at + errorBytes, timestamp, 2);
            put(at + errorBytes + 2, value, 2);
        } else {
            put(at + errorBytes, value, 4);
        }
    }

    // The image with the first `memoryBytes` bytes of the memory (all by default).
    std::vector<std::uint8_t> image(std::size_t memoryBytes = SIZE_MAX) const
    {
        std::vector<std::uint8_t> result(imageHeaderBytes, 0);
        const auto end = bytes.begin() + static_cast<long>(std::min(memoryBytes, bytes.size()));
        result.insert(result.end(), bytes.begin(), end);
        return result;
    }
};

std::size_t entrySize(const std::string& pattern)
{
    return pattern[1] == 'E' ? 8 : 5;
}

// Error bit i has error number i + 1 and shows its value unsigned without decimals; all bits
// are in the list; the special entries are 201, 202, 203. The page header is 2 bytes.
ErrorLogDescriptor descriptorFor(const std::string& pattern, std::uint16_t pagesize, std::uint8_t pagecnt,
                                 std::uint8_t uidListed = 0)
{
    ErrorLogDescriptor d;
    d.pagesize = pagesize;
    d.pagecnt = pagecnt;
    d.pageheader = "AFXXXXXX";
    d.uidListed = uidListed;
    d.errorstruct = pattern;
    d.list = 0xFFFFFFFF;
    d.ebit.resize(32);
    std::iota(d.ebit.begin(), d.ebit.end(), 1);
    d.ibit.assign(32, 0x10);
    d.log = {1, 2, 3};
    return d;
}

template <typename T>
std::vector<T> fieldOf(const std::vector<ErrorLogRow>& rows, T ErrorLogRow::*field)
{
    std::vector<T> result;
    for (const ErrorLogRow& row : rows)
        result.push_back(row.*field);
    return result;
}

// One page of 32 bytes, current, with a single entry at offset 2.
std::vector<ErrorLogRow> decodeOne(const ErrorLogDescriptor& d, std::uint32_t error, std::uint16_t timestamp,
                                   std::uint32_t value, bool filter = true)
{
    LogMemory memory(32, 1);
    memory.state(0, 'B', 0xFF);
    memory.entry(d.errorstruct, 0, 2, error, timestamp, value);
    return decodeEntries(d, memory.image(), filter);
}

const std::vector<std::string> allPatterns = {"EEEETTVV", "EEEEVVVV", "ETTVVXXX", "EVVVVXXX"};

class RingWalk : public QuietDiagnostics {};
class EntryPatterns : public QuietDiagnostics {};
class SpecialEntries : public QuietDiagnostics {};
class OrdinaryEntries : public QuietDiagnostics {};
class DamagedLogs : public QuietDiagnostics {};

} // namespace

// ---- texts ----------------------------------------------------------------------------------

// Spelled as the sensor family's documents spell them ("untersützte" included), in UTF-8, and
// with the unit of the firmware's value. Numbers outside the tables come from description files
// the tables do not cover; they are named by number and have no unit.
TEST(ErrorTexts, TextsAndUnitsByNumber)
{
    struct Case {
        std::int32_t number;
        const char* text;
        const char* unit;
    } cases[] = {
        {1, "Bilineare Interp. Init.", ""},
        {9, "\xC3\x9C" "berlast", "%"},
        {10, "Stack\xC3\xBC" "berlauf", ""},
        {13, "Nicht unters\xC3\xBCtzte Konfiguration", ""},
        {15, "Spannung: 3V3", "Digits"},
        {23, "Vorverst\xC3\xA4rker", ""},
        {41, "Temp.Sensor Diff. Vorwarnung", "\xC2\xB0" "C"},
        {50, "Spannung: VREF", "Digits"},
        {54, "Simulierter Fehler", ""},
        {0, "Unbekannter Fehler 0", ""},
        {55, "Unbekannter Fehler 55", ""},
        {INT_MIN, "Unbekannter Fehler -2147483648", ""},
        {INT_MAX, "Unbekannter Fehler 2147483647", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(errorText(c.number), c.text);
        EXPECT_EQ(errorUnit(c.number), c.unit);
    }
    const auto& table = errorTextTable();
    EXPECT_EQ(std::set<std::string_view>(table.begin(), table.end()).size(), table.size());
}

// ---- value texts and the error number column ------------------------------------------------

TEST(ValueText, KindsDecimalsAndSixteenBitTruncation)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        std::uint32_t kind, decimals;
        const char* text;
    } cases[] = {
        {50000, 2, 2, "-155.36"},   // 50000 as a signed 16-bit number
        {-1, 1, 0, "65535"},
        {-1, 2, 1, "-0.1"},
        {2.9f, 1, 0, "2"},          // truncated, not rounded
        {-2.9f, 2, 0, "-2"},
        {3000000000.0f, 1, 0, "24064"}, // only the low 16 bits count, even beyond 32-bit signed
        {7, 1, 3, "0.007"},
        {1000000, 3, 0, "1000000"}, // kind 3: unscaled, never in exponent notation
        {-2.5f, 3, 1, "-2.5"},
        {12, 0, 2, ""},             // kinds without a number
        {12, 4, 2, ""},
        {nan, 1, 1, "0.0"},
        {inf, 2, 0, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatValue(c.value, c.kind, c.decimals), c.text) << c.value << " kind " << c.kind;
    EXPECT_EQ(formatValue(1, 3, 40), formatValue(1, 3, 15)); // at most a nibble's worth of decimals
}

// Only numbers below 0x10000000 show whether the digits were padded to 8.
TEST(ErrorNumberColumn, SingleBitsShowAllEightDigits)
{
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x4, "0x00000004"}, {0, "0x00000000"}, {0x41, "0x41"}, {0x24, "0x24"},
        {0x3, "0x03"}, {0xABC, "0xABC"}, {0x10001, "0x10001"}, {0x8000000, "0x08000000"},
    };
    for (const auto& [bits, text] : cases)
        EXPECT_EQ(errorNumberText(bits), text);
}

// ---- walking the ring -----------------------------------------------------------------------

// 16-byte pages with a 2-byte header hold one 8-byte entry each, so every page is complete and
// the order of the rows is the order of the pages walked; the entry's timestamp is its page.
TEST_F(RingWalk, OldestPageIsTheFirstOlderPageFromTheCurrentOne)
{
    using States = std::vector<std::pair<std::uint8_t, std::uint8_t>>;
    const std::pair<std::uint8_t, std::uint8_t> current0{'B', 0xFF}, older0{'B', 'S'}, none{0, 0};
    struct Case {
        const char* what;
        std::uint8_t listed;
        States states;
        std::vector<std::uint16_t> order;
    } cases[] = {
        {"current 2, older found after it", 0, {older0, older0, current0, older0}, {3, 0, 1, 2}},
        {"search wraps round", 0, {older0, older0, current0, none}, {0, 1, 2, 3}},
        {"older page before the current one", 0, {none, older0, current0, none}, {1, 2, 3, 0}},
        {"no older page: the current one", 0, {none, none, current0, none}, {2, 3, 0, 1}},
        {"no current page: from page 0", 0, {none, none, older0, none}, {2, 3, 0, 1}},
        {"nothing marked", 0, {none, none, none, none}, {0, 1, 2, 3}},
        {"'C' is no state in this layout", 0, {older0, older0, {'C', 0}, older0}, {0, 1, 2, 3}},
        {"('B', other) is no state", 0, {none, {'B', 'S'}, {'B', 'X'}, none}, {1, 2, 3, 0}},
        {"listed: current 'C', older 'B'", 1, {{'B', 0}, {'B', 'S'}, {'C', 0}, {'B', 0xFF}}, {3, 0, 1, 2}},
        {"listed: ('B', 255) is older", 1, {none, none, {'B', 0xFF}, none}, {2, 3, 0, 1}},
        {"listed: current 'C' alone", 1, {none, {'C', 'S'}, none, none}, {1, 2, 3, 0}},
    };
    for (const Case& c : cases) {
        LogMemory memory(16, 4);
        for (std::uint16_t page = 0; page < 4; ++page) {
            memory.state(page, c.states[page].first, c.states[page].second);
            memory.entry("EEEETTVV", page, 2, 1, page, 0);
        }
        const auto rows = decodeEntries(descriptorFor("EEEETTVV", 16, 4, c.listed), memory.image());
        EXPECT_EQ(fieldOf(rows, &ErrorLogRow::timestamp), c.order) << c.what;
    }
}

// 32-byte pages hold three 8-byte slots (2, 10, 18). Timestamp = 10 * page + slot.
TEST_F(RingWalk, PageAfterAnErasedSlotIsPassedOver)
{
    for (const bool firstPageFull : {false, true}) {
        LogMemory memory(32, 4);
        memory.state(0, 'B', 'S'); // oldest: the page after the current one is erased
        memory.state(1, 'B', 'S');
        memory.state(2, 'B', 0xFF);
        for (std::uint16_t slot = 0; slot < (firstPageFull ? 3 : 1); ++slot)
            memory.entry("EEEETTVV", 0, 2 + 8 * slot, 1, slot, 0);
        for (std::uint16_t slot = 0; slot < 3; ++slot)
            memory.entry("EEEETTVV", 1, 2 + 8 * slot, 1, static_cast<std::uint16_t>(10 + slot), 0);
        memory.entry("EEEETTVV", 2, 2, 1, 20, 0);
        const auto expected = firstPageFull ? std::vector<std::uint16_t>{0, 1, 2, 10, 11, 12, 20}
                                            : std::vector<std::uint16_t>{0, 20};
        const auto rows = decodeEntries(descriptorFor("EEEETTVV", 32, 4), memory.image());
        EXPECT_EQ(fieldOf(rows, &ErrorLogRow::timestamp), expected);
    }
}

// A slot is taken while a further one could still fit behind it: stop once offset + 2 S > pagesize.
TEST_F(RingWalk, EntriesPerPageByTheFitRule)
{
    struct Case {
        std::string pattern;
        std::uint16_t pagesize;
        std::string pageheader;
        std::size_t perPage;
    } cases[] = {
        {"EEEETTVV", 16, "AFXXXXXX", 1}, // a second slot at 10 would end at 18
        {"EEEEVVVV", 17, "AFXXXXXX", 1},
        {"EEEETTVV", 18, "AFXXXXXX", 2}, // the second slot ends exactly at the page end
        {"EEEETTVV", 32, "AFEAXXXX", 3}, // 4-byte header: 4, 12, 20
        {"ETTVVXXX", 16, "AFXXXXXX", 2}, // 2, 7; a third at 12 would end at 17
        {"EVVVVXXX", 17, "AFXXXXXX", 3},
        {"ETTVVXXX", 32, "XAXFXXXX", 6}, // X anywhere: still a 2-byte header
    };
    for (const Case& c : cases) {
        // Every byte after the state bytes is 0x01: any slot, wherever it starts, is an entry.
        LogMemory memory(c.pagesize, 2);
        std::fill(memory.bytes.begin(), memory.bytes.end(), 0x01);
        memory.state(0, 'B', 0xFF);
        memory.state(1, 'B', 'S');
        ErrorLogDescriptor d = descriptorFor(c.pattern, c.pagesize, 2);
        d.pageheader = c.pageheader;
        EXPECT_EQ(decodeEntries(d, memory.image()).size(), 2 * c.perPage) << c.pattern << " " << c.pagesize;
    }
}

// ---- entry patterns -------------------------------------------------------------------------

// A T pattern's value is the 16 bits after the timestamp, a V-only pattern's all 32 bits (and
// it has no timestamp). A float (kind 3) takes all four bytes after the error field, in the T
// patterns the timestamp bytes as well, while the timestamp is still reported. Only the low
// byte of an ibit is the format: the .kel header keeps no more.
TEST_F(EntryPatterns, FieldsOfTheFourPatterns)
{
    struct Case {
        std::string pattern;
        std::uint32_t error;       // bit mask or index as stored
        std::uint16_t timestamp;   // stored and reported (T patterns only, else 0)
        std::uint32_t value;       // stored V
        std::int32_t format;       // ibit of the entry's bit
        std::uint32_t errorBits;
        std::int32_t errorNumber;
        float rowValue;
        std::string valueText;
    } cases[] = {
        {"EEEETTVV", 0x4, 0x1234, 0xFFFE, 0x20, 0x4, 3, -2, "-2 "},
        {"EEEETTVV", 0x100, 0xBEEF, 50000, 0x12, 0x100, 9, 50000, "500.00 %"},
        {"EEEEVVVV", 0x100, 0, 0xFFFFFFFE, 0x20, 0x100, 9, -2, "-2 %"},
        {"EEEEVVVV", 0x1, 0, 70000, 0x10, 0x1, 1, 70000, "4464 "},
        {"ETTVVXXX", 9, 0x0102, 1000, 0x11, 0x100, 9, 1000, "100.0 %"},
        {"ETTVVXXX", 32, 7, 0x8000, 0x20, 0x80000000, 32, -32768, "-32768 "},
        {"EVVVVXXX", 1, 0, 70000, 0x10, 0x1, 1, 70000, "4464 "},
        {"EVVVVXXX", 2, 0, 0x80000000, 0x20, 0x2, 2, -2147483648.0f, "0 "},
        // 3.14159f is 0x40490FD0.
        {"EEEETTVV", 0x1, 0x0FD0, 0x4049, 0x32, 0x1, 1, 3.14159f, "3.14 "},
        {"EEEEVVVV", 0x1, 0, 0x40490FD0, 0x32, 0x1, 1, 3.14159f, "3.14 "},
        {"ETTVVXXX", 1, 0x0FD0, 0x4049, 0x32, 0x1, 1, 3.14159f, "3.14 "},
        {"EVVVVXXX", 1, 0, 0x40490FD0, 0x32, 0x1, 1, 3.14159f, "3.14 "},
        {"EEEEVVVV", 0x1, 0, 1234, 0x7F22, 0x1, 1, 1234, "12.34 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern + " format " + std::to_string(c.format));
        ErrorLogDescriptor d = descriptorFor(c.pattern, 32, 1);
        const std::uint32_t bit = c.pattern[1] == 'E' ? static_cast<std::uint32_t>(std::countr_zero(c.error)) : c.error - 1;
        d.ibit[bit] = c.format;
        const auto rows = decodeOne(d, c.error, c.timestamp, c.value);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].timestamp, c.timestamp);
        EXPECT_EQ(rows[0].errorBits, c.errorBits);
        EXPECT_EQ(rows[0].errorNumber, c.errorNumber);
        EXPECT_EQ(rows[0].text, errorText(c.errorNumber));
        EXPECT_EQ(rows[0].value, c.rowValue);
        EXPECT_EQ(rows[0].kind, static_cast<std::uint32_t>(c.format >> 4 & 0xF));
        EXPECT_EQ(rows[0].decimals, static_cast<std::uint32_t>(c.format & 0xF));
        EXPECT_EQ(rows[0].valueText, c.valueText);
    }
}

// ---- special entries ------------------------------------------------------------------------

// Special entries are listed whatever the list says. Numbers outside 201..203 have no fixed
// format: named by number, with no value text; a missing log element counts as 0, and a huge
// one wraps round instead of overflowing.
TEST_F(SpecialEntries, LettersAreShownEvenWithAnEmptyList)
{
    struct Case {
        std::string pattern;
        std::uint32_t letter;
        std::uint32_t value; // stored V
        std::vector<std::int32_t> log;
        std::int32_t number;
        const char* text;
        float rowValue;
        const char* valueText;
    } cases[] = {
        {"EEEETTVV", 'A', 1000, {1, 2, 3}, 201, "OVER RANGE", 1000, "100.0%"},
        {"EEEETTVV", 'B', 0xFFF6, {1, 2, 3}, 202, "UNDER RANGE", 65526, "-1.0%"}, // a 16-bit V is unsigned before formatting
        {"EEEETTVV", 'C', 42, {1, 2, 3}, 203, "START UP", 42, "42"},
        {"ETTVVXXX", 'A', 55, {1, 2, 3}, 201, "OVER RANGE", 55, "5.5%"},
        {"EEEEVVVV", 'A', std::bit_cast<std::uint32_t>(55.0f), {1, 2, 3}, 201, "OVER RANGE", 55, "5.5%"}, // V-only: a float
        {"EVVVVXXX", 'B', std::bit_cast<std::uint32_t>(-3.0f), {1, 2, 3}, 202, "UNDER RANGE", -3, "-0.3%"},
        {"EEEETTVV", 'A', 1000, {4}, 204, "Unbekannter Fehler 204", 1000, ""},
        {"EEEETTVV", 'B', 1000, {4, INT_MAX}, INT_MIN + 199, "Unbekannter Fehler -2147483449", 1000, ""},
        {"EEEETTVV", 'C', 1000, {4, INT_MAX}, 200, "Unbekannter Fehler 200", 1000, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern + " " + char(c.letter));
        ErrorLogDescriptor d = descriptorFor(c.pattern, 32, 1);
        d.list = 0;
        d.log = c.log;
        const auto rows = decodeOne(d, c.letter, 0x0102, c.value);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].errorNumber, c.number);
        EXPECT_EQ(rows[0].errorBits, c.letter);
        EXPECT_EQ(rows[0].text, c.text);
        EXPECT_EQ(rows[0].value, c.rowValue);
        EXPECT_EQ(rows[0].valueText, c.valueText);
        EXPECT_EQ(rows[0].timestamp, c.pattern.find('T') != std::string::npos ? 0x0102 : 0);
    }
}

// ---- ordinary entries: error bits, the list filter, unknown numbers ------------------------

// Which error bit an entry stands for, and whether `list` lets it through. A bit mask is
// numbered by its lowest bit and passes when any of its bits is listed; an index i stands for
// bit i - 1. A mask without a set bit or an index outside 1..32 names no error bit and is never
// listed, not even with the filter off. Only the whole error word 0x41 is the letter 'A': with
// a further bit it is an ordinary entry, filtered like any other. Here ebit[2] = 7 and
// ebit[5] = 30, others i + 1.
TEST_F(OrdinaryEntries, ErrorBitAndListFilter)
{
    struct Case {
        std::string pattern;
        std::uint32_t error;
        std::uint32_t list;
        bool filter;
        std::int32_t number; // 0: not listed
        std::uint32_t errorBits;
    } cases[] = {
        {"EEEETTVV", 0x24, 1u << 2, true, 7, 0x24},
        {"EEEETTVV", 0x24, 1u << 5, true, 7, 0x24},
        {"EEEEVVVV", 0x24, 1u << 3, true, 0, 0},
        {"EEEEVVVV", 0x24, 0, false, 7, 0x24},
        {"ETTVVXXX", 3, 1u << 2, true, 7, 0x4},
        {"EVVVVXXX", 3, ~(1u << 2), true, 0, 0},
        {"ETTVVXXX", 5, 0, false, 5, 0x10},
        {"EEEETTVV", 0x141, 0, true, 0, 0},
        {"EEEETTVV", 0x141, 1, true, 1, 0x141},
        {"EEEETTVV", 0, 0, false, 0, 0},
        {"ETTVVXXX", 0, 0xFFFFFFFF, false, 0, 0},
        {"ETTVVXXX", 33, 0xFFFFFFFF, false, 0, 0},
        {"EVVVVXXX", 0x44, 0xFFFFFFFF, false, 0, 0},
    };
    for (const Case& c : cases) {
        ErrorLogDescriptor d = descriptorFor(c.pattern, 32, 1);
        d.ebit[2] = 7;
        d.ebit[5] = 30;
        d.list = c.list;
        const auto rows = decodeOne(d, c.error, 0, 0, c.filter);
        ASSERT_EQ(rows.size(), c.number ? 1u : 0u) << c.pattern << " error " << c.error << " list " << c.list;
        if (c.number) {
            EXPECT_EQ(rows[0].errorNumber, c.number);
            EXPECT_EQ(rows[0].text, errorText(c.number));
            EXPECT_EQ(rows[0].errorBits, c.errorBits);
        }
    }
}

// Numbers outside the table are listed by number with no unit and their value still
// formatted; lists shorter than 32 count the missing elements as 0.
TEST_F(OrdinaryEntries, UnknownNumbersAndShortLists)
{
    ErrorLogDescriptor d = descriptorFor("EEEETTVV", 32, 1);
    d.ebit = {77};
    d.ibit = {0x21};
    auto rows = decodeOne(d, 1, 0, 0xFFFB);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, "Unbekannter Fehler 77");
    EXPECT_EQ(rows[0].valueText, "-0.5 ");
    rows = decodeOne(d, 1u << 7, 0, 9);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, "Unbekannter Fehler 0");
    EXPECT_EQ(rows[0].valueText, " "); // no number, the blank before the (empty) unit stays
}

// Each ordinary entry of a bit-mask pattern leaves the pattern on the diagnostic stream, listed
// or not; special entries and the index patterns leave nothing.
TEST(OrdinaryEntryTrace, OneLinePerBitMaskEntry)
{
    const auto linesFor = [](const std::string& pattern) {
        std::FILE* trace = std::tmpfile();
        setDiagnosticStream(trace);
        LogMemory memory(32, 1);
        memory.state(0, 'B', 0xFF);
        const std::uint32_t ordinary = pattern[1] == 'E' ? 0x8 : 4, errors[] = {ordinary, 'A', ordinary};
        for (std::size_t slot = 0; slot < 3; ++slot)
            memory.entry(pattern, 0, 2 + slot * entrySize(pattern), errors[slot], 0, 0);
        ErrorLogDescriptor d = descriptorFor(pattern, 32, 1);
        d.list = 0;
        decodeEntries(d, memory.image());
        setDiagnosticStream(nullptr);
        std::string text(256, '\0');
        std::rewind(trace);
        text.resize(std::fread(text.data(), 1, text.size(), trace));
        std::fclose(trace);
        return text;
    };
    EXPECT_EQ(linesFor("EEEETTVV"), "EEEETTVV\nEEEETTVV\n");
    EXPECT_EQ(linesFor("EEEEVVVV"), "EEEEVVVV\nEEEEVVVV\n");
    EXPECT_EQ(linesFor("ETTVVXXX"), "");
    EXPECT_EQ(linesFor("EVVVVXXX"), "");
}

// ---- damaged and short logs -----------------------------------------------------------------

TEST_F(DamagedLogs, UnknownPatternDegenerateGeometryOrNoMemoryGivesNoRows)
{
    struct Case {
        std::string pattern;
        std::uint16_t pagesize;
        std::uint8_t pagecnt;
        std::string pageheader;
    } cases[] = {
        {"EEEETTVV", 0, 4, "AFXXXXXX"},  // pagesize 0
        {"EEEETTVV", 32, 0, "AFXXXXXX"}, // pagecnt 0
        {"EEEETTVV", 2, 4, "AFXXXXXX"},  // header as long as a page
        {"EEEETTVV", 7, 4, "AFEAFEAF"},  // header longer than a page
        {"", 32, 4, "AFXXXXXX"},
        {"EEEETTV", 32, 4, "AFXXXXXX"},
        {"EEEETTVVX", 32, 4, "AFXXXXXX"},
        {"eeeettvv", 32, 4, "AFXXXXXX"},
        {"EEEEVVVX", 32, 4, "AFXXXXXX"},
        {"ETTVVXX", 32, 4, "AFXXXXXX"},
        {"TTVVEEEE", 32, 4, "AFXXXXXX"},
    };
    LogMemory memory(32, 4); // bytes for the largest geometry; every slot holds an entry
    std::fill(memory.bytes.begin(), memory.bytes.end(), 0x01);
    ASSERT_FALSE(decodeEntries(descriptorFor("EEEETTVV", 32, 4), memory.image()).empty());
    for (const Case& c : cases) {
        ErrorLogDescriptor d = descriptorFor(c.pattern, c.pagesize, c.pagecnt);
        d.pageheader = c.pageheader;
        EXPECT_TRUE(decodeEntries(d, memory.image()).empty()) << c.pattern << " " << c.pagesize << " " << c.pageheader;
    }
    for (const std::size_t size : {0, 1, 100, 255, 256}) // an image without memory
        EXPECT_TRUE(decodeEntries(descriptorFor("EEEETTVV", 32, 4), std::vector<std::uint8_t>(size, 0x01)).empty()) << size;
}

namespace {

// A ring that has wrapped round: pages 2, 3, 0 hold older entries, page 1 is being written (two
// entries, then an erased slot). Entry values count up in the order they were written.
LogMemory wrappedRing(const std::string& pattern, bool listed)
{
    const std::size_t slots = pattern[1] == 'E' ? 3 : 6, size = entrySize(pattern);
    LogMemory memory(32, 4);
    std::uint32_t value = 1;
    for (const std::size_t page : {2, 3, 0}) {
        memory.state(page, 'B', listed ? 0 : 'S');
        for (std::size_t slot = 0; slot < slots; ++slot)
            memory.entry(pattern, page, 2 + slot * size, 1, 0, value++);
    }
    memory.state(1, listed ? 'C' : 'B', 0xFF);
    memory.entry(pattern, 1, 2, 1, 0, value++);
    memory.entry(pattern, 1, 2 + size, 1, 0, value++);
    return memory;
}

} // namespace

// Every pattern in both page-state layouts reads a wrapped ring oldest first. A readout that
// lost its last uploads leaves the memory short: whatever is missing, the rows are some of the
// full memory's rows, in the same order.
TEST_F(DamagedLogs, EveryTruncationGivesAnOrderedSubsetOfTheFullRows)
{
    for (const std::string& pattern : allPatterns)
        for (const bool listed : {false, true}) {
            const LogMemory memory = wrappedRing(pattern, listed);
            const ErrorLogDescriptor d = descriptorFor(pattern, 32, 4, listed);
            const std::vector<float> full = fieldOf(decodeEntries(d, memory.image()), &ErrorLogRow::value);
            std::vector<float> expected(pattern[1] == 'E' ? 11 : 20);
            std::iota(expected.begin(), expected.end(), 1.0f);
            ASSERT_EQ(full, expected) << pattern;
            for (std::size_t length = 0; length <= memory.bytes.size(); ++length) {
                const std::vector<float> part = fieldOf(decodeEntries(d, memory.image(length)), &ErrorLogRow::value);
                // `full` counts up, so rows in its order count up too.
                EXPECT_TRUE(std::adjacent_find(part.begin(), part.end(), std::greater_equal<>()) == part.end()
                            && std::includes(full.begin(), full.end(), part.begin(), part.end()))
                    << pattern << " " << length;
            }
        }
}

// A slot cut off by the end of the memory ends its page, but unlike an erased slot it does not
// pass over the next page: here the walk wraps round from the cut page to page 0.
TEST_F(DamagedLogs, SlotCutOffByTheMemoryEndDoesNotPassOverTheNextPage)
{
    LogMemory memory(32, 2);
    memory.state(0, 'B', 0xFF);
    memory.entry("EEEETTVV", 0, 2, 1, 0, 1);
    memory.state(1, 'B', 'S');
    for (std::uint32_t slot = 0; slot < 3; ++slot)
        memory.entry("EEEETTVV", 1, 2 + 8 * slot, 1, 0, 2 + slot);
    const ErrorLogDescriptor d = descriptorFor("EEEETTVV", 32, 2);
    EXPECT_EQ(fieldOf(decodeEntries(d, memory.image()), &ErrorLogRow::value), (std::vector<float>{2, 3, 4, 1}));
    EXPECT_EQ(fieldOf(decodeEntries(d, memory.image(32 + 15)), &ErrorLogRow::value), (std::vector<float>{2, 1}));
}

// ---- arbitrary input ------------------------------------------------------------------------

namespace {

// Bytes that matter to the walk (page states, erased slots, letter codes, small indexes) turn up
// far more often than in uniform noise, and erased runs of 0xFF as in real flash, so random
// memories reach every branch. Memories are cut from one pool at random places, which keeps
// 20000 of them fast under the sanitizers.
std::vector<std::uint8_t> randomPool(std::mt19937& random)
{
    static constexpr std::uint8_t marks[] = {0xFF, 'B', 'C', 'S', 0x41, 0x42, 0x43, 0x00, 0x01, 0x20, 0x21};
    std::vector<std::uint8_t> pool;
    while (pool.size() < (1u << 20)) {
        const bool erased = random() % 3 == 0;
        for (std::uint32_t run = 1 + random() % 48; run > 0; --run) {
            const std::uint32_t r = random();
            pool.push_back(erased ? 0xFF : r % 2 ? marks[(r >> 1) % std::size(marks)] : static_cast<std::uint8_t>(r >> 8));
        }
    }
    return pool;
}

ErrorLogDescriptor randomDescriptor(std::mt19937& random)
{
    static const std::string patterns[] = {"EEEETTVV", "EEEEVVVV", "ETTVVXXX", "EVVVVXXX", "EEEETTVX", ""};
    const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    ErrorLogDescriptor d;
    d.pagesize = static_cast<std::uint16_t>(below(601));
    d.pagecnt = static_cast<std::uint8_t>(below(9));
    d.uidListed = static_cast<std::uint8_t>(below(3)); // 2: a damaged flag
    d.errorstruct = patterns[below(std::size(patterns))];
    for (std::uint32_t i = below(11); i > 0; --i)
        d.pageheader += "AFEX?"[below(5)];
    d.list = below(4) == 0 ? 0 : static_cast<std::uint32_t>(random());
    const auto fill = [&](std::vector<std::int32_t>& list, std::uint32_t maxSize, std::uint32_t small) {
        for (std::uint32_t i = below(maxSize + 1); i > 0; --i)
            list.push_back(below(2) ? static_cast<std::int32_t>(below(small)) : static_cast<std::int32_t>(random()));
    };
    fill(d.ebit, 33, 60);
    fill(d.ibit, 33, 256);
    fill(d.log, 4, 6);
    return d;
}

} // namespace

TEST_F(DamagedLogs, RandomDescriptorsAndMemoriesDecodeWithinBounds)
{
    std::mt19937 random(20240611);
    const std::vector<std::uint8_t> pool = randomPool(random);
    for (int round = 0; round < 20000; ++round) {
        const ErrorLogDescriptor d = randomDescriptor(random);
        // The whole memory and a few bytes more, or cut short anywhere (the header is not read).
        const std::size_t full = imageHeaderBytes + std::size_t{d.pagesize} * d.pagecnt;
        const std::size_t size = random() % 3 ? full + random() % 16 : random() % (full + 1);
        const auto from = pool.begin() + static_cast<long>(random() % (pool.size() - size));
        const std::vector<std::uint8_t> image(from, from + static_cast<long>(size));
        const bool filter = random() % 2;
        const auto rows = decodeEntries(d, image, filter);
        // Per page at most (pagesize - header) / S + 1 slots are taken, each page at most once.
        const std::size_t slotSize = d.errorstruct.size() == 8 ? entrySize(d.errorstruct) : 5;
        bool ok = rows.size() <= std::size_t{d.pagecnt} * (d.pagesize / slotSize + 1);
        for (const ErrorLogRow& row : rows) {
            const bool special = row.errorBits >= 0x41 && row.errorBits <= 0x43;
            ok = ok && (special || !filter || (row.errorBits & d.list) != 0);
            ok = ok && row.kind <= 15 && row.decimals <= 15 && !row.text.empty();
        }
        if (round % 16 == 0) // the same input always gives the same rows
            ok = ok && decodeEntries(d, image, filter).size() == rows.size();
        ASSERT_TRUE(ok) << "round " << round << ": pattern '" << d.errorstruct << "' pagesize " << d.pagesize
                        << " pagecnt " << int(d.pagecnt) << " image " << image.size() << " rows " << rows.size();
    }
}
