#pragma once

#include <string>
#include <string_view>

namespace veldris {

// The folder that holds the program's own files: config/settings.ini, lang/*.po,
// canopen.dev and doc/. Both executables set it to their own folder at start, so that they
// find their files from whatever working directory they were started in; empty means the
// working directory.
void setDataDirectory(std::string directory);
const std::string& dataDirectory();

// `relative` ("config/settings.ini") inside the data directory.
std::string dataPath(std::string_view relative);

} // namespace veldris
