#pragma once

#include <string>

// The bus trace the test program's client writes (--trace, set once for the process).
const std::string& socketCanTracePath();
