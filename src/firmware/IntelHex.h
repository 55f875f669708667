#pragma once

#include "firmware/MemoryImage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veldris {

// Reads an Intel HEX firmware image into a MemoryImage before the bootloader upload. Data
// (00), end-of-file (01), extended segment address (02) and extended linear address (04)
// records are read; other record types (03, 05: start addresses the bootloader does not use)
// are checked and skipped. Addresses are base + record address + byte index, in 32 bits.
//
// A failed read throws std::runtime_error with failureText, followed by " (line N)" when a
// line is to blame; N counts lines from 1, blank lines included, as a text editor shows them.
// Bytes of the records before that line stay in the image, those of the failing record are
// not written. This reader is the one part of the bus-free code that throws; callers that
// prefer a result use readIntelHex() below.
//
// Rules for the text, which must hold for every line up to the end-of-file record:
// - a line ends at a line feed or at the end of the buffer; carriage returns before the line
//   feed are dropped, so CR LF and LF files read the same;
// - a line of nothing but blanks, tabs and carriage returns is skipped: editors on Windows
//   leave such lines, typically at the end of the file, and they carry no record;
// - any other line is a record: ':' as its first character, then hexadecimal digits only
//   (either case) up to the line end, exactly 11 + 2 * byte count characters long, and its
//   byte values (count, address, type, data, checksum) adding up to 0 modulo 256. A shorter
//   line lacks fields; a longer one has lost a line end or gained characters, and its sum
//   would cover bytes that belong to no record;
// - address records (02, 04) carry at least the two bytes of the base, which are the first two;
// - text after the end-of-file record is not read. A text without an end-of-file record ends
//   at the end of the buffer and is not a failure.
class IntelHex {
public:
    static constexpr const char* failureText = "IntelHex: readBuffer() failed, possibly due to an incorrect line checksum";

    // Reads `buffer` into `image` (not owned; may be null, which fails the read) at once;
    // throws as readBuffer does. `option` is accepted for callers that pass it; no option
    // changes the reading.
    IntelHex(const std::uint8_t* buffer, std::uint32_t size, MemoryImage* image, std::uint32_t option = 0);

    // Reads the records of `buffer` into the image, from its first character. Returns the
    // number of characters of the last record line read (0 when there was none).
    std::int32_t readBuffer(const std::uint8_t* buffer, std::uint32_t size);

private:
    [[noreturn]] void fail() const;
    // The next line as it stands in the buffer (line feed included) and moves past it.
    std::string_view takeLine();
    void readRecord(std::string_view line);
    void writeData(std::uint32_t address, const std::uint8_t* data, std::uint8_t count);

    const std::uint8_t* buffer = nullptr;
    std::uint32_t bufferSize = 0;
    MemoryImage* image = nullptr;
    std::uint32_t position = 0;    // next character to read
    std::uint32_t lineNumber = 0;  // of the line read last, from 1
    std::uint32_t addressBase = 0; // from the last 02 or 04 record
    bool endOfFile = false;
};

// Reads the HEX `text` into `image`. On failure returns false with the reader's message in
// `error` (emptied on success); bytes of the records before the failing line stay in the image.
bool readIntelHex(std::string_view text, MemoryImage& image, std::string& error);

} // namespace veldris
