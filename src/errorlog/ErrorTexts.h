#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace veldris {

// The sensor family knows 54 ordinary errors; an entry's error bit selects one of them through
// the descriptor's ebit list.
inline constexpr std::int32_t errorTextCount = 54;

// The German error texts (UTF-8), index = error number - 1. The Error Log page keeps its own
// copy of this table.
const std::array<std::string_view, errorTextCount>& errorTextTable();

// The text of an ordinary error number; a number the table does not know (outside 1..54, e.g.
// from a description file of a newer sensor) gives "Unbekannter Fehler N", so the entry is
// still listed with its number instead of being dropped.
std::string errorText(std::int32_t errorNumber);

// The unit printed after an ordinary entry's value (UTF-8, "°C" included); empty for the
// unit-less errors and for unknown numbers.
std::string_view errorUnit(std::int32_t errorNumber);

// What a special entry ('A', 'B', 'C' in the error field) shows: its fixed text and value
// format. The value suffix follows directly after the number, without a blank.
struct SpecialEntryFormat {
    std::string text;
    std::uint32_t kind = 0;
    std::uint32_t decimals = 0;
    std::string_view suffix;
};

// The format of special number 201..203 (OVER RANGE, UNDER RANGE, START UP). Any other number
// gives "Unbekannter Fehler N" with kind 0, so its value prints no number.
SpecialEntryFormat specialEntryFormat(std::int32_t specialNumber);

} // namespace veldris
