#pragma once

#include <string>
#include <vector>

namespace veldris {

// Writes the diagnostic report: the header "KAVRO GmbH Diagnostic Report" and its rule, then
// every line followed by a line feed (lines that end in one themselves give an empty line);
// without results first the "-- NO RESULTS --" block. Bytes as they are, LF line ends. Written
// through a temporary file and renamed, so a failed export leaves an existing file whole;
// false with the reason in `error`.
bool writeReport(const std::string& path, std::vector<std::string> lines, bool hasResults, std::string* error = nullptr);

} // namespace veldris
