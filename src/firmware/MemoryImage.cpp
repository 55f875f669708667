#include "firmware/MemoryImage.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

namespace veldris {

// Ranges never overlap: a new range starts only at an address that no range holds or ends
// just before, and a range grows only at its end and only when no other range starts there.
// So the range a byte belongs to (the one starting at the address, else the one holding it or
// ending just before it) is always the range with the greatest start not above the address,
// which the start index finds in O(log n) instead of walking the whole list.
std::size_t MemoryImage::rangeFor(std::uint64_t address) const
{
    auto above = byStart.upper_bound(address);
    if (above == byStart.begin())
        return none;
    const std::size_t index = std::prev(above)->second;
    return address - list[index].start <= list[index].length ? index : none;
}

void MemoryImage::aim(std::size_t index)
{
    cursor = index;
    const auto next = byStart.upper_bound(list[index].start);
    cursorLimit = next == byStart.end() ? std::numeric_limits<std::uint64_t>::max() : next->first;
}

void MemoryImage::write(std::uint64_t address, std::uint8_t byte)
{
    // Records come in address order, so the range of the previous write nearly always takes
    // this byte too; the index is needed only after a jump.
    std::size_t index = cursor;
    if (index == none || address - list[index].start > list[index].length || address >= cursorLimit) {
        index = rangeFor(address);
        if (index == none) {
            index = list.size();
            list.push_back(MemoryRange{address, 0, fill, {}});
            if (index == 0)
                list.back().bytes.reserve(expected);
            byStart.emplace(address, index);
        }
        aim(index);
    }
    MemoryRange& range = list[index];
    const std::uint64_t offset = address - range.start;
    if (offset < range.length) {
        range.bytes[offset] = byte;
    } else {
        range.bytes.push_back(byte);
        ++range.length;
    }
    lowestAddress = std::min(lowestAddress, range.start);
    highestAddress = std::max(highestAddress, address);
}

void MemoryImage::write(std::uint64_t address, const std::uint8_t* bytes, std::size_t count)
{
    if (count == 0)
        return;
    write(address, bytes[0]);
    const std::uint64_t last = address + (count - 1);
    // From the first byte on, the range it went to takes every following byte as long as no
    // other range starts among them and the addresses do not wrap around.
    if (last < address || last >= cursorLimit) {
        for (std::size_t i = 1; i < count; ++i)
            write(address + i, bytes[i]);
        return;
    }
    MemoryRange& range = list[cursor];
    const std::uint64_t offset = address - range.start;
    const std::size_t inside = static_cast<std::size_t>(std::min<std::uint64_t>(count, range.length - offset));
    std::copy(bytes + 1, bytes + inside, range.bytes.begin() + static_cast<std::ptrdiff_t>(offset + 1));
    range.bytes.insert(range.bytes.end(), bytes + inside, bytes + count);
    range.length = range.bytes.size();
    highestAddress = std::max(highestAddress, last);
}

void MemoryImage::read(std::uint64_t address, std::uint8_t* out, std::size_t count) const
{
    // Copies whole stretches: the part of a range from the address on, or the gap up to the
    // next range's start.
    while (count > 0) {
        const auto above = byStart.upper_bound(address);
        if (above != byStart.begin()) {
            const MemoryRange& range = list[std::prev(above)->second];
            const std::uint64_t offset = address - range.start;
            if (offset < range.length) {
                const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(count, range.length - offset));
                std::memcpy(out, range.bytes.data() + offset, run);
                out += run;
                count -= run;
                address += run;
                continue;
            }
        }
        const std::size_t gap =
            above == byStart.end() ? count : static_cast<std::size_t>(std::min<std::uint64_t>(count, above->first - address));
        std::memset(out, fill, gap);
        out += gap;
        count -= gap;
        address += gap;
    }
}

std::uint8_t MemoryImage::byteAt(std::uint64_t address) const
{
    std::uint8_t byte = fill;
    read(address, &byte, 1);
    return byte;
}

void MemoryImage::clear()
{
    list.clear();
    byStart.clear();
    lowestAddress = std::numeric_limits<std::uint64_t>::max();
    highestAddress = 0;
    cursor = none;
    cursorLimit = 0;
    expected = 0;
}

} // namespace veldris
