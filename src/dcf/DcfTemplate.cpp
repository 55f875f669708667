#include "dcf/DcfTemplate.h"

#include "dcf/ValueText.h"

#include <set>

namespace veldris {

namespace {

// Line n (from 1) of `bytes` is the text before its n-th line feed, as DCFFile counts lines.
std::vector<std::string_view> linesOf(std::string_view bytes)
{
    std::vector<std::string_view> lines{std::string_view()};
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The key line with its value replaced; the blanks around the value and a CR stay.
std::string withValue(std::string_view line, const std::string& value)
{
    const std::size_t equals = line.find('=');
    std::size_t from = equals + 1;
    while (from < line.size() && line[from] == ' ')
        ++from;
    std::size_t to = line.size();
    if (to > from && line[to - 1] == '\r')
        --to;
    while (to > from && line[to - 1] == ' ')
        --to;
    return std::string(line.substr(0, from)) + value + std::string(line.substr(to));
}

} // namespace

std::string editParameterValues(std::string_view bytes, const std::vector<DCFSection>& sections,
                                const ParameterValueEdits& edits)
{
    std::map<std::int32_t, std::string> replaced; // by line
    std::set<std::int32_t> removed;
    for (const DCFSection& section : sections) {
        const auto edit = edits.find(section.headerLine);
        if (edit == edits.end())
            continue;
        bool first = true;
        for (std::size_t i = 0; i < section.keys.size() && i < section.keyLines.size(); ++i) {
            if (section.keys[i] != "ParameterValue")
                continue;
            if (!edit->second)
                removed.insert(section.keyLines[i]);
            else if (first)
                replaced[section.keyLines[i]] = *edit->second;
            first = false;
        }
    }
    const std::vector<std::string_view> lines = linesOf(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const auto line = static_cast<std::int32_t>(n);
        const bool last = n + 1 == lines.size() && (bytes.empty() || bytes.back() != '\n');
        if (removed.count(line))
            continue;
        const auto value = replaced.find(line);
        out += value != replaced.end() ? withValue(lines[n], value->second) : std::string(lines[n]);
        if (!last)
            out += '\n';
    }
    return out;
}

ParameterValueEdits editsOf(const DcfReadout& readout, const std::vector<DCFSection>& sections, std::uint8_t node)
{
    ParameterValueEdits edits;
    for (std::size_t i = 0; i < readout.entries.size() && i < sections.size(); ++i) {
        const EntryReading& entry = readout.entries[i];
        if (entry.failed) {
            edits[entry.headerLine] = std::nullopt;
        } else if (entry.result == EntryReading::Result::Read && entry.value) {
            const std::string* written = sections[i].value("ParameterValue");
            edits[entry.headerLine] = valueTextLike(written ? *written : "", *entry.value, entry.type, node);
        }
    }
    return edits;
}

} // namespace veldris
