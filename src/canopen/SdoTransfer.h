#pragma once

#include "canopen/SdoResult.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veldris {

class CanOpenClient;

// SDO transfers of any length (CiA 301): an upload takes whatever the server answers, expedited
// or segmented; a download goes expedited up to four bytes and segmented above (and for no
// bytes at all). Every answer, segments included, is awaited `timeoutMs`.
//
// A segment with the wrong toggle bit, a segmented upload longer than its indicated size or
// than `maxBytes`, or a segment that does not come ends the transfer with an abort frame sent
// to the server (0x05030000, 0x06070010, 0x05040005, 0x05040000; `abortSent`), so that the
// server does not wait in the middle of a transfer. Nothing here throws.

// Uploaded: `data` holds the value's bytes; up to four of them also fill `size`, `value` and
// `bytes` as an expedited upload does.
SdoResult sdoUpload(CanOpenClient& client, std::uint8_t node, SdoObject object, std::uint32_t timeoutMs,
                    std::size_t maxBytes = 65536);

// Confirmed when the server took every byte.
SdoResult sdoDownload(CanOpenClient& client, std::uint8_t node, SdoObject object, const std::vector<std::uint8_t>& bytes,
                      std::uint32_t timeoutMs);

} // namespace veldris
