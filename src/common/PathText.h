#pragma once

#include <string>

namespace veldris {

// The folder part of a path: everything before its last "/". A path without any "/"
// stays whole.
std::string directoryOf(const std::string& path);

} // namespace veldris
