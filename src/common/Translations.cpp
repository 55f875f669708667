#include "common/Translations.h"

#include "common/Log.h"

#include <algorithm>
#include <fstream>
#include <string_view>

namespace veldris {

namespace {

// The text of a catalogue line from `skip` characters on, without any quotation mark.
std::string entryText(const std::string& line, std::size_t skip)
{
    std::string text = line.size() > skip ? line.substr(skip) : std::string();
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    return text;
}

bool startsWith(const std::string& line, std::string_view prefix)
{
    return line.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

bool Translations::load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        logLine("Failed to open translation file.", LogStream::Error);
        return false;
    }
    read(file);
    return true;
}

void Translations::read(std::istream& catalogue)
{
    std::string pendingId;
    std::string line;
    while (std::getline(catalogue, line)) {
        if (!line.empty() && line.back() == '\r') // catalogues written with CR LF line ends
            line.pop_back();
        // "msgid " and the opening quotation mark are 7 characters, "msgstr " and it 8.
        if (startsWith(line, "msgid ")) {
            pendingId = entryText(line, 7);
        } else if (startsWith(line, "msgstr ")) {
            table[pendingId] = entryText(line, 8);
            pendingId.clear();
        }
    }
}

std::string Translations::translate(const std::string& source) const
{
    const auto entry = table.find(source);
    return entry == table.end() ? source : entry->second;
}

} // namespace veldris
