#pragma once

#include <cstddef>
#include <istream>
#include <map>
#include <string>

namespace veldris {

// English source texts mapped to the texts shown, read from gettext-style catalogues
// (lang/de_DE.po, lang/en.po, lang/cn.po). The table only grows: a catalogue read later
// replaces the entries both catalogues hold and keeps the others.
class Translations {
public:
    // Reads a catalogue file. An unreadable file writes "Failed to open translation file."
    // to standard error, leaves the table as it was and returns false.
    bool load(const std::string& path);

    // Reads catalogue lines. Only single-line `msgid "..."` / `msgstr "..."` entries count;
    // every quotation mark is dropped and no escape sequence is decoded, so a source text
    // holding a line break never finds its entry. A msgstr without a msgid before it is
    // stored under the empty key.
    void read(std::istream& catalogue);

    // The stored text (UTF-8), also when it is empty; the source text itself otherwise.
    std::string translate(const std::string& source) const;

    std::size_t size() const { return table.size(); }
    void clear() { table.clear(); }

private:
    std::map<std::string, std::string> table;
};

} // namespace veldris
