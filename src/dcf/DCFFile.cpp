#include "dcf/DCFFile.h"

#include "common/Log.h"

#include <fstream>
#include <iterator>

namespace veldris {

namespace {

bool isHeader(const std::string& line)
{
    return !line.empty() && line[0] == '[';
}

// Header names are matched without regard to case ([1800SUB5] is [1800sub5]); only ASCII
// letters change, the rest of an 8-bit line stays as it is.
void lowerCase(std::string& line)
{
    for (char& c : line)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

// The sub-entry number text of a lower-cased header: what follows the first "sub", without
// the line's last character. That character is the closing bracket of [1a00sub12]; after a
// CR LF line end it is the CR, and the text keeps "]", which the number reading stops at.
std::string subEntryText(const std::string& header)
{
    const std::size_t sub = header.find("sub");
    if (sub == std::string::npos)
        return {};
    const std::size_t from = sub + 3;
    if (from + 1 >= header.size())
        return {};
    return header.substr(from, header.size() - 1 - from);
}

} // namespace

const std::string* DCFSection::value(const std::string& key) const
{
    for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i)
        if (keys[i] == key)
            return &values[i];
    return nullptr;
}

std::int32_t DCFSection::lineOf(const std::string& key) const
{
    for (std::size_t i = 0; i < keys.size() && i < keyLines.size(); ++i)
        if (keys[i] == key)
            return keyLines[i];
    return headerLine;
}

std::string trimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool DCFFile::load(const std::string& path)
{
    clear(path);
    std::string bytes;
    // Binary: a CR of a CR LF line end stays on its line, as it does on every platform.
    std::ifstream file(path, std::ios::binary);
    if (file)
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    else
        logLine("Could not open file - '" + path + "'"); // then read as a file without lines
    readLines(bytes);
    return parse();
}

bool DCFFile::loadText(const std::string& bytes, const std::string& path)
{
    clear(path);
    readLines(bytes);
    return parse();
}

void DCFFile::clear(const std::string& path)
{
    filePath = path;
    fileLines.clear();
    fileSections.clear();
    cursor = 0;
}

// Lines end at each line feed, which is dropped; text after the last line feed is a line of
// its own unless it is empty. The placeholder first makes element n line n of the file.
void DCFFile::readLines(std::string_view bytes)
{
    fileLines.emplace_back();
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        fileLines.push_back(trimBlanks(bytes.substr(start, end - start)));
        start = end + 1;
    }
}

// Everything before the first header is ignored. A header on the file's last line opens no
// section: a section is only read while a line follows the one at the cursor.
bool DCFFile::parse()
{
    while (cursor < fileLines.size() && !isHeader(fileLines[cursor]))
        ++cursor;
    if (cursor == fileLines.size())
        return false;
    while (cursor + 1 < fileLines.size())
        readSection();
    logLine("parsed all sections");
    return true;
}

// Reads the section whose header is at the cursor and leaves the cursor on the next header,
// or on the last line when the file ends first.
void DCFFile::readSection()
{
    std::string& header = fileLines[cursor];
    DCFSection section;
    section.headerLine = static_cast<std::int32_t>(cursor);
    section.index = header.substr(1, 4); // before lower-casing: the index keeps its case
    lowerCase(header);
    const std::string subEntry = subEntryText(header);

    while (cursor + 1 < fileLines.size()) {
        const std::string& line = fileLines[++cursor];
        if (line.empty() || line[0] == ';')
            continue;
        if (isHeader(line))
            break;
        const std::size_t equals = line.find('='); // the first: a value may hold "=" itself
        if (equals == std::string::npos)
            continue;
        section.keys.push_back(trimBlanks(std::string_view(line).substr(0, equals)));
        section.values.push_back(trimBlanks(std::string_view(line).substr(equals + 1)));
        section.keyLines.push_back(static_cast<std::int32_t>(cursor));
    }
    // A "SubNumber" key written in the section says more than the header and stays alone.
    if (!subEntry.empty() && !section.value("SubNumber")) {
        section.keys.emplace_back("SubNumber");
        section.values.push_back(subEntry);
        section.keyLines.push_back(section.headerLine);
        section.subIndexFromHeader = true;
    }
    fileSections.push_back(std::move(section));
}

} // namespace veldris
