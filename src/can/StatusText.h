#pragma once

#include "can/PcanBasicTypes.h"

#include <string>

namespace veldris {

// A PCAN-Basic status for the diagnostic log: "0x00010 (bus off)"; the name of each bit of
// the status that PCAN-Basic defines, joined by ", " (the library's own error texts are not
// used: the program shows none).
std::string statusText(pcan::Status status);

} // namespace veldris
