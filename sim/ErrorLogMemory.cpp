#include "sim/ErrorLogMemory.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t erasedByte = 0xFF;
constexpr std::size_t headerPatternLength = 8;
constexpr std::size_t stateByteCount = 2;

// Writes the low `bytes` bytes of `value` least significant first, as the sensor's
// little-endian controller stores every multi-byte field.
void putLittleEndian(std::vector<std::uint8_t>& memory, std::size_t offset, std::uint32_t value, std::size_t bytes)
{
    for (std::size_t i = 0; i < bytes; ++i)
        memory[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool hasTimestamp(const std::string& errorStruct)
{
    return errorStruct == "EEEETTVV" || errorStruct == "ETTVVXXX";
}

// The error field is four bytes in the bit-mask patterns and one byte in the index patterns;
// the X positions of the short patterns are not stored, so the fields follow each other.
void writeEntry(std::vector<std::uint8_t>& memory, std::size_t offset, const std::string& errorStruct,
                const ErrorLogEntry& entry)
{
    const std::size_t errorBytes = entrySize(errorStruct) == 8 ? 4 : 1;
    putLittleEndian(memory, offset, entry.error, errorBytes);
    offset += errorBytes;
    if (hasTimestamp(errorStruct)) {
        putLittleEndian(memory, offset, entry.timestamp, 2);
        putLittleEndian(memory, offset + 2, entry.value, 2);
    } else {
        putLittleEndian(memory, offset, entry.value, 4);
    }
}

// The page the firmware writes to carries the "current" state; once it moves on, the page
// keeps its data and is marked as holding older entries. The remaining header bytes are
// cleared when the page is taken into use.
void writePageHeader(std::vector<std::uint8_t>& memory, std::size_t pageStart, const ErrorLogLayout& layout, bool current)
{
    const std::size_t headerLength = pageHeaderLength(layout.pageHeader);
    for (std::size_t i = stateByteCount; i < headerLength; ++i)
        memory[pageStart + i] = 0x00;
    if (current) {
        memory[pageStart] = layout.listed ? 'C' : 'B';
    } else {
        memory[pageStart] = 'B';
        memory[pageStart + 1] = 'S';
    }
}

bool isHeaderPattern(const std::string& pageHeader)
{
    return pageHeader.size() == headerPatternLength && std::all_of(pageHeader.begin(), pageHeader.end(), [](char c) {
               return c == 'A' || c == 'F' || c == 'E' || c == 'X';
           });
}

// Empty when the firmware could keep a log in this layout, else why not.
std::string layoutProblem(const ErrorLogLayout& layout)
{
    if (entrySize(layout.errorStruct) == 0)
        return "unknown entry pattern \"" + layout.errorStruct + "\"";
    if (!isHeaderPattern(layout.pageHeader))
        return "page header pattern \"" + layout.pageHeader + "\" is not 8 characters over A, F, E, X";
    const std::size_t headerLength = pageHeaderLength(layout.pageHeader);
    if (headerLength < stateByteCount)
        return "page header of " + std::to_string(headerLength) + " bytes cannot hold the two page-state bytes";
    if (layout.pageCount == 0)
        return "the ring has no pages";
    if (headerLength > layout.pageSize)
        return "page header of " + std::to_string(headerLength) + " bytes is longer than the page of "
             + std::to_string(layout.pageSize) + " bytes";
    if (slotsPerPage(layout) == 0)
        return "a page of " + std::to_string(layout.pageSize) + " bytes has no room for one entry after its header";
    return {};
}

} // namespace

std::size_t entrySize(const std::string& errorStruct)
{
    if (errorStruct == "EEEETTVV" || errorStruct == "EEEEVVVV")
        return 8;
    if (errorStruct == "ETTVVXXX" || errorStruct == "EVVVVXXX")
        return 5;
    return 0;
}

std::size_t pageHeaderLength(const std::string& pageHeader)
{
    return static_cast<std::size_t>(std::count_if(pageHeader.begin(), pageHeader.end(), [](char c) { return c != 'X'; }));
}

std::size_t slotsPerPage(const ErrorLogLayout& layout)
{
    const std::size_t size = entrySize(layout.errorStruct);
    const std::size_t headerLength = pageHeaderLength(layout.pageHeader);
    if (size == 0 || layout.pageSize < headerLength + size)
        return 0;
    return (layout.pageSize - headerLength) / size;
}

// The firmware fills one page after the other and, with the ring full, erases the oldest page
// to go on. So entry i lands on the (i / slots)-th page written, and only the last pageCount
// pages written still hold their entries; every earlier one has been erased and rewritten.
std::vector<std::uint8_t> buildErrorLogMemory(const ErrorLogLayout& layout, const std::vector<ErrorLogEntry>& entries,
                                              unsigned firstPage, std::string* error)
{
    const std::string problem = layoutProblem(layout);
    if (!problem.empty()) {
        if (error)
            *error = problem;
        return {};
    }
    const std::size_t pageCount = layout.pageCount;
    const std::size_t pageSize = layout.pageSize;
    const std::size_t slots = slotsPerPage(layout);
    const std::size_t size = entrySize(layout.errorStruct);
    const std::size_t headerLength = pageHeaderLength(layout.pageHeader);

    std::vector<std::uint8_t> memory(pageCount * pageSize, erasedByte);
    // Even without any entry the firmware has a page it will write to next.
    const std::size_t pagesWritten = std::max<std::size_t>(1, (entries.size() + slots - 1) / slots);
    const std::size_t firstKept = pagesWritten > pageCount ? pagesWritten - pageCount : 0;
    const std::size_t startPage = firstPage % pageCount;
    for (std::size_t written = firstKept; written < pagesWritten; ++written) {
        const std::size_t pageStart = (startPage + written % pageCount) % pageCount * pageSize;
        writePageHeader(memory, pageStart, layout, written + 1 == pagesWritten);
        const std::size_t begin = written * slots;
        const std::size_t end = std::min(entries.size(), begin + slots);
        for (std::size_t i = begin; i < end; ++i)
            writeEntry(memory, pageStart + headerLength + (i - begin) * size, layout.errorStruct, entries[i]);
    }
    return memory;
}

} // namespace sim
