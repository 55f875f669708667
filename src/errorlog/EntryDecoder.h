#pragma once

#include "errorlog/ErrorLogDescriptor.h"
#include "errorlog/ErrorLogRow.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

// Decodes the log memory of an error-log image (the bytes after its 256-byte header) into rows,
// oldest entry first. The sensor's firmware writes fixed-size entries into a ring of flash
// pages; the descriptor tells the entry pattern, the page size and count, the page header and
// which page state letters mark the current and the older pages.
//
// With `filter` on, ordinary entries are listed only when their error bit is in `list`; special
// entries ('A', 'B', 'C') are always listed. Any memory is decoded without reading outside it:
// - a pattern other than the four known ones, pagesize 0, pagecnt 0 or a page header at least
//   as long as a page gives no rows;
// - no page in the current state: the walk treats page 0 as the current page;
// - a page whose state bytes lie beyond the memory is in no state; a slot that does not lie
//   completely inside the memory ends its page like the end of the page does (the next page
//   is not passed over, as nothing says the slot was erased);
// - missing ebit/ibit/log elements count as 0; unknown error numbers are listed as
//   "Unbekannter Fehler N" (see ErrorTexts.h).
// Every ordinary entry of the bit-mask patterns writes the entry pattern as a diagnostic line,
// so the decode of a log can be followed on the console.
std::vector<ErrorLogRow> decodeEntries(const ErrorLogDescriptor& descriptor, const std::vector<std::uint8_t>& image,
                                       bool filter = true);

// The number part of a value text: fixed notation with `decimals` digits after the point.
// Kind 1 and 2 take the low 16 bits of the value truncated toward zero, unsigned or signed, and
// divide them by 10^decimals in single precision (NaN and infinities count as 0); kind 3 prints
// the float unscaled; any other kind prints nothing. Decimals above 15 count as 15, the most a
// format nibble can hold.
std::string formatValue(float value, std::uint32_t kind, std::uint32_t decimals);

// The "Error Number" column: "0x" and upper-case hexadecimal, all 8 digits for a single error
// bit (or none) so its position reads at a glance, at least 2 digits when two or more of bits
// 0..30 are set, as for the letter codes 0x41..0x43 of the special entries.
std::string errorNumberText(std::uint32_t errorBits);

} // namespace veldris
