#pragma once

#include <string>

namespace veldris {

// The decimal conversion of node-ID texts and edit fields: optional blanks and sign, then the
// leading digits; anything after them is ignored. Throws std::invalid_argument("invalid stoi
// argument") without digits and std::out_of_range("stoi argument out of range") when the
// number does not fit 32 bits; the window shows either text in its error box.
int decimalToInt(const std::string& text);

} // namespace veldris

namespace veldris {

// The window toolkit's conversion of edit fields: an optional sign, then decimal digits or a
// "0x"/"$" hexadecimal number, and nothing else. Throws std::invalid_argument("'TEXT' is not a
// valid integer value") otherwise, also when the value does not fit 32 bits.
int toolkitToInt(const std::string& text);

} // namespace veldris
