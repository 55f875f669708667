#pragma once

#include <cstdint>
#include <string>

namespace veldris {

// The CiA 301 text of an SDO abort code, in English (the catalogues translate it where the
// window shows it); "Unknown abort code" for a code CiA 301 does not define.
const char* abortCodeText(std::uint32_t code);

// "0x06020000 (Object does not exist in the object dictionary.)", for messages and report lines.
std::string abortDescription(std::uint32_t code);

} // namespace veldris
