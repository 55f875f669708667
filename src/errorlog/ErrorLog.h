#pragma once

#include "errorlog/ErrorLogDescriptor.h"
#include "errorlog/ErrorLogStatus.h"
#include "errorlog/ErrorLogRow.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

// An error log as one byte image: a 256-byte header describing the sensor and the layout of its
// log (version 2 written, versions 1 and 2 read; numbers big-endian; CRC-16/XMODEM over the
// header up to its terminator), followed by the log memory as read from the sensor. The image
// is also the content of a .kel file.
class ErrorLog {
public:
    static constexpr std::size_t headerSize = 256;
    static constexpr const char* magic = "-KAVRO ErrorLog-";

    explicit ErrorLog(bool filter = true) : filterRows(filter) {}

    void buildImage(const ErrorLogDescriptor& description, const std::vector<std::uint8_t>& memory);
    // Fills the descriptor from the image's header; false for an image that is no error log
    // (shorter than its header, another magic, a version other than 1 or 2).
    bool readHeader();
    // Whether the header's checksum matches (read after readHeader).
    bool checksumMatches() const;
    std::vector<ErrorLogRow> rows();

    // Writes the image to `path` (".kel" appended unless the path ends in it) through a
    // temporary file, so a failed save leaves an existing file whole. False with `error` set.
    bool save(const std::string& path, std::string* error = nullptr) const;
    // Reads a .kel file and decodes it. `status` (set to Ok by the caller) becomes Missing for
    // a file that cannot be read, NotValid for one that is no error log (no rows) or whose
    // header checksum does not match (the rows are still decoded, so that a damaged file can be
    // looked at).
    std::vector<ErrorLogRow> load(const std::string& path, ErrorLogStatus& status);
    std::vector<ErrorLogRow> loadBytes(std::vector<std::uint8_t> bytes, ErrorLogStatus& status);

    const ErrorLogDescriptor& descriptor() const { return description; }
    const std::vector<std::uint8_t>& image() const { return bytes; }
    // Why the last load or save failed.
    const std::string& problem() const { return lastProblem; }

private:
    ErrorLogDescriptor description;
    std::vector<std::uint8_t> bytes;
    bool filterRows;
    std::string lastProblem;
};

} // namespace veldris
