#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veldris {

// One section of a device configuration file: the object it writes and its key lines.
struct DCFSection {
    std::string index;                  // the four characters after "[", case as written ("1A00"); fewer on a short header
    std::int32_t headerLine = 0;        // 1-based line number of the header; the upload report quotes it
    std::vector<std::string> keys;      // in file order, duplicates kept
    std::vector<std::string> values;    // values[i] belongs to keys[i]
    bool subIndexFromHeader = false;    // the "SubNumber" value is the header's sub-entry text (hexadecimal)
    std::vector<std::int32_t> keyLines; // keyLines[i]: the line of keys[i] (the header's for a SubNumber taken from it)

    // The value of the first key equal to `key` (case-sensitive), or nullptr.
    const std::string* value(const std::string& key) const;
    // The line of the first key equal to `key`; the header's line without one.
    std::int32_t lineOf(const std::string& key) const;
};

// A device configuration file as the DCF upload needs it: the sections in file order, each
// with its object index, its key/value pairs and, for a sub-entry header such as [1800sub5],
// a "SubNumber" key. Values are kept as text; the upload reads the numbers.
class DCFFile {
public:
    // Replaces the whole content with the file at `path`. False when no line of the file
    // begins with "[" (also when it cannot be opened); the sections are then empty.
    bool load(const std::string& path);

    // The same over file bytes already in memory; `path` is only recorded.
    bool loadText(const std::string& bytes, const std::string& path = "");

    const std::string& path() const { return filePath; }

    // Element 0 is an empty placeholder, so that element n is line n of the file, trimmed of
    // spaces; a header line is stored lower-cased once the sections have been read.
    const std::vector<std::string>& lines() const { return fileLines; }

    const std::vector<DCFSection>& sections() const { return fileSections; }

private:
    void clear(const std::string& path);
    void readLines(std::string_view bytes);
    bool parse();
    void readSection();

    std::string filePath;
    std::vector<std::string> fileLines;
    std::size_t cursor = 0; // the line the reader is looking at
    std::vector<DCFSection> fileSections;
};

// `text` without leading and trailing spaces (0x20). Tabs and carriage returns stay: a CR LF
// line end leaves its CR on the line, and the number reading of the upload copes with it.
std::string trimBlanks(std::string_view text);

} // namespace veldris
