#include "errorlog/EntryDecoder.h"

#include "common/Log.h"
#include "errorlog/ErrorTexts.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace veldris {

namespace {

// The log memory follows the image header of the .kel file.
constexpr std::size_t imageHeaderBytes = 256;

// How the firmware packs one entry. The four bytes after the error field hold either the
// timestamp (low half) and a 16-bit value (high half), or a 32-bit value.
struct EntryLayout {
    std::size_t size = 0;       // bytes per slot
    std::size_t errorBytes = 0; // 4: 32-bit error bit mask, 1: error index 1..32
    bool withTimestamp = false;
    std::uint32_t erased = 0; // the error field of a slot never written since the page was erased
};

std::optional<EntryLayout> layoutOf(const std::string& errorstruct)
{
    if (errorstruct == "EEEETTVV")
        return EntryLayout{8, 4, true, 0xFFFFFFFFu};
    if (errorstruct == "EEEEVVVV")
        return EntryLayout{8, 4, false, 0xFFFFFFFFu};
    if (errorstruct == "ETTVVXXX")
        return EntryLayout{5, 1, true, 0xFFu};
    if (errorstruct == "EVVVVXXX")
        return EntryLayout{5, 1, false, 0xFFu};
    return std::nullopt;
}

struct RawEntry {
    std::uint32_t error = 0;
    std::uint32_t payload = 0; // the four bytes after the error field, little-endian
};

// The memory part of the image with the geometry of its ring. Every read is checked against
// the end of the memory: a readout with unanswered uploads leaves it shorter than the ring.
struct Ring {
    const std::uint8_t* memory = nullptr;
    std::size_t memorySize = 0;
    std::size_t pagesize = 0;
    std::size_t pagecnt = 0;
    std::size_t headerLength = 0;
    bool listedLayout = false; // sensors with the listed-UID object layout mark pages 'C' / 'B'
    EntryLayout layout;

    bool holds(std::size_t at, std::size_t count) const { return at <= memorySize && count <= memorySize - at; }

    std::uint32_t littleEndian(std::size_t at, std::size_t count) const
    {
        std::uint32_t value = 0;
        for (std::size_t i = count; i-- > 0;)
            value = value << 8 | memory[at + i];
        return value;
    }

    std::optional<std::uint8_t> stateByte(std::size_t page, std::size_t which) const
    {
        const std::size_t at = page * pagesize + which;
        if (!holds(at, 1))
            return std::nullopt;
        return memory[at];
    }

    bool isCurrent(std::size_t page) const
    {
        const auto first = stateByte(page, 0);
        if (listedLayout)
            return first == 'C';
        return first == 'B' && stateByte(page, 1) == 0xFF;
    }

    bool holdsOlderData(std::size_t page) const
    {
        const auto first = stateByte(page, 0);
        if (listedLayout)
            return first == 'B';
        return first == 'B' && stateByte(page, 1) == 'S';
    }

    RawEntry entryAt(std::size_t at) const
    {
        return {littleEndian(at, layout.errorBytes), littleEndian(at + layout.errorBytes, 4)};
    }
};

std::size_t headerLengthOf(const std::string& pageheader)
{
    const auto notStored = std::count(pageheader.begin(), pageheader.end(), 'X');
    return pageheader.size() - static_cast<std::size_t>(notStored);
}

// The oldest data sits in the first page holding older data, counting on from the current
// page. When no page is in the current state (a damaged or never used log), page 0 stands in
// for the current page.
std::size_t oldestPage(const Ring& ring)
{
    std::size_t current = 0;
    while (current < ring.pagecnt && !ring.isCurrent(current))
        ++current;
    if (current == ring.pagecnt)
        current = 0;
    for (std::size_t step = 0; step < ring.pagecnt; ++step) {
        const std::size_t page = (current + step) % ring.pagecnt;
        if (ring.holdsOlderData(page))
            return page;
    }
    return current;
}

// Takes the entries of one page in slot order; true when the page ends in an erased slot. A
// slot is taken only while a further slot could still fit behind it, and a slot reaching past
// the end of the memory ends the page, as its bytes were never read out.
bool takePage(const Ring& ring, std::size_t page, std::vector<RawEntry>& entries)
{
    const std::size_t slotSize = ring.layout.size;
    for (std::size_t offset = ring.headerLength;; offset += slotSize) {
        const std::size_t at = page * ring.pagesize + offset;
        if (!ring.holds(at, slotSize))
            return false;
        const RawEntry entry = ring.entryAt(at);
        if (entry.error == ring.layout.erased)
            return true;
        entries.push_back(entry);
        if (offset + 2 * slotSize > ring.pagesize)
            return false;
    }
}

// Walks the ring from the oldest page. The page after one that ends in an erased slot is
// passed over: an erased slot marks the page the firmware is writing, and the page after it is
// the next one to be erased, so whatever it still holds is no longer part of the history.
std::vector<RawEntry> walkRing(const Ring& ring)
{
    std::vector<RawEntry> entries;
    const std::size_t oldest = oldestPage(ring);
    for (std::size_t j = 0; j < ring.pagecnt; ++j) {
        if (takePage(ring, (oldest + j) % ring.pagecnt, entries))
            ++j;
    }
    return entries;
}

std::int32_t elementOr0(const std::vector<std::int32_t>& list, std::size_t index)
{
    return index < list.size() ? list[index] : 0;
}

std::optional<std::size_t> specialIndexOf(std::uint32_t error)
{
    if (error >= 0x41 && error <= 0x43)
        return error - 0x41;
    return std::nullopt;
}

// The error bit an ordinary entry stands for: the lowest set bit of a bit mask, or the error
// index 1..32 less one. Entries without one are never listed.
std::optional<std::size_t> errorBitOf(const EntryLayout& layout, std::uint32_t error)
{
    if (layout.errorBytes == 4)
        return error == 0 ? std::nullopt : std::optional<std::size_t>(std::countr_zero(error));
    if (error >= 1 && error <= 32)
        return error - 1;
    return std::nullopt;
}

// Truncation toward zero, then the low 16 bits in two's complement, computed in double so that
// no value (however large, negative or not a number) leaves the defined range of a conversion.
std::uint16_t lowSixteenBits(float value)
{
    if (!std::isfinite(value))
        return 0;
    double rest = std::fmod(std::trunc(static_cast<double>(value)), 65536.0);
    if (rest < 0)
        rest += 65536.0;
    return static_cast<std::uint16_t>(rest);
}

float floatBits(std::uint32_t bits)
{
    return std::bit_cast<float>(bits);
}

// The timestamp of the T patterns is the low half of the payload, their 16-bit value the high
// half; the V-only patterns have no timestamp.
std::uint16_t timestampOf(const EntryLayout& layout, const RawEntry& entry)
{
    return layout.withTimestamp ? static_cast<std::uint16_t>(entry.payload) : 0;
}

// A kind-3 value is a 32-bit float, which in the T patterns takes the timestamp bytes as well.
// Kinds without a number keep the value 0.
float ordinaryValue(const EntryLayout& layout, const RawEntry& entry, std::uint32_t kind)
{
    if (kind == 3)
        return floatBits(entry.payload);
    const std::uint32_t v = layout.withTimestamp ? entry.payload >> 16 : entry.payload;
    if (kind == 1)
        return layout.withTimestamp ? static_cast<float>(static_cast<std::uint16_t>(v)) : static_cast<float>(v);
    if (kind == 2)
        return layout.withTimestamp ? static_cast<float>(static_cast<std::int16_t>(v))
                                    : static_cast<float>(static_cast<std::int32_t>(v));
    return 0;
}

ErrorLogRow specialRow(const Ring& ring, const RawEntry& entry, std::size_t k, const ErrorLogDescriptor& descriptor)
{
    ErrorLogRow row;
    // Wrapping addition: a damaged log list must not overflow the number.
    row.errorNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(elementOr0(descriptor.log, k)) + 200u);
    const SpecialEntryFormat format = specialEntryFormat(row.errorNumber);
    row.timestamp = timestampOf(ring.layout, entry);
    row.errorBits = entry.error;
    row.text = format.text;
    row.kind = format.kind;
    row.decimals = format.decimals;
    row.value = ring.layout.withTimestamp ? static_cast<float>(static_cast<std::uint16_t>(entry.payload >> 16))
                                          : floatBits(entry.payload);
    row.valueText = formatValue(row.value, row.kind, row.decimals) + std::string(format.suffix);
    return row;
}

std::optional<ErrorLogRow> ordinaryRow(const Ring& ring, const RawEntry& entry, const ErrorLogDescriptor& descriptor,
                                       bool filter)
{
    const std::optional<std::size_t> bit = errorBitOf(ring.layout, entry.error);
    if (!bit)
        return std::nullopt;
    ErrorLogRow row;
    row.errorBits = ring.layout.errorBytes == 4 ? entry.error : 1u << *bit;
    if (filter && (row.errorBits & descriptor.list) == 0)
        return std::nullopt;
    row.errorNumber = elementOr0(descriptor.ebit, *bit);
    // Only the low 8 bits form the format byte: the .kel header stores no more, so a log read
    // from the sensor and the same log saved and opened again show the same values.
    const auto format = static_cast<std::uint8_t>(elementOr0(descriptor.ibit, *bit));
    row.kind = format >> 4;
    row.decimals = format & 0x0F;
    row.timestamp = timestampOf(ring.layout, entry);
    row.text = errorText(row.errorNumber);
    row.value = ordinaryValue(ring.layout, entry, row.kind);
    row.valueText = formatValue(row.value, row.kind, row.decimals) + " " + std::string(errorUnit(row.errorNumber));
    return row;
}

std::optional<Ring> ringOf(const ErrorLogDescriptor& descriptor, const std::vector<std::uint8_t>& image)
{
    const std::optional<EntryLayout> layout = layoutOf(descriptor.errorstruct);
    Ring ring;
    ring.pagesize = descriptor.pagesize;
    ring.pagecnt = descriptor.pagecnt;
    ring.headerLength = headerLengthOf(descriptor.pageheader);
    // Without a page there is nothing to walk, and a page that is all header holds no slot.
    if (!layout || ring.pagesize == 0 || ring.pagecnt == 0 || ring.headerLength >= ring.pagesize)
        return std::nullopt;
    ring.layout = *layout;
    ring.listedLayout = descriptor.uidListed != 0;
    if (image.size() > imageHeaderBytes) {
        ring.memory = image.data() + imageHeaderBytes;
        ring.memorySize = image.size() - imageHeaderBytes;
    }
    return ring;
}

} // namespace

std::vector<ErrorLogRow> decodeEntries(const ErrorLogDescriptor& descriptor, const std::vector<std::uint8_t>& image,
                                       bool filter)
{
    std::vector<ErrorLogRow> rows;
    const std::optional<Ring> ring = ringOf(descriptor, image);
    if (!ring)
        return rows;
    const std::vector<RawEntry> entries = walkRing(*ring);
    rows.reserve(entries.size());
    for (const RawEntry& entry : entries) {
        if (const auto k = specialIndexOf(entry.error)) {
            rows.push_back(specialRow(*ring, entry, *k, descriptor));
            continue;
        }
        if (ring->layout.errorBytes == 4)
            logLine(descriptor.errorstruct);
        if (auto row = ordinaryRow(*ring, entry, descriptor, filter))
            rows.push_back(std::move(*row));
    }
    return rows;
}

std::string formatValue(float value, std::uint32_t kind, std::uint32_t decimals)
{
    if (kind < 1 || kind > 3)
        return {};
    const int precision = static_cast<int>(std::min(decimals, 15u));
    float number = value;
    if (kind != 3) {
        const std::uint16_t bits = lowSixteenBits(value);
        const float whole = kind == 1 ? static_cast<float>(bits) : static_cast<float>(static_cast<std::int16_t>(bits));
        number = whole / std::pow(10.0f, static_cast<float>(precision));
    }
    // Always a decimal point, whatever locale the window toolkit has set for the process.
    char text[64]; // the widest float (39 digits) with sign, point and 15 decimals
    const auto [end, error] = std::to_chars(text, text + sizeof text, number, std::chars_format::fixed, precision);
    if (error != std::errc{})
        return {};
    return std::string(text, end);
}

std::string errorNumberText(std::uint32_t errorBits)
{
    char text[16];
    if (std::popcount(errorBits & 0x7FFFFFFFu) >= 2)
        std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(errorBits));
    else
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(errorBits));
    return text;
}

} // namespace veldris
