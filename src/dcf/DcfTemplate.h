#pragma once

#include "dcf/DCFFile.h"
#include "dcf/DcfReadout.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veldris {

// New ParameterValues for sections of a DCF, by the line of their header: a text replaces the
// value of the section's ParameterValue line, nothing removes every ParameterValue line of the
// section (so that no value of the template passes for one of the sensor).
using ParameterValueEdits = std::map<std::int32_t, std::optional<std::string>>;

// `bytes` (the file `sections` were read from) with the edits made. Every other byte stays as
// it was: comments, key order, other keys, blanks around the value, CR LF or LF line ends.
std::string editParameterValues(std::string_view bytes, const std::vector<DCFSection>& sections,
                                const ParameterValueEdits& edits);

// The edits that put what a readout of `sections` at `node` gave into their template: each value
// read in the style of the template's (see valueTextLike), each entry that could not be read
// without its ParameterValue; skipped sections stay as they are.
ParameterValueEdits editsOf(const DcfReadout& readout, const std::vector<DCFSection>& sections, std::uint8_t node);

} // namespace veldris
