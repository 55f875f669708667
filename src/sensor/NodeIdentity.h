#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;

// What a node on the bus is: a sensor of the family, known by its UID (0x2A00:01), or another
// CiA 301 device, known by the identity objects it answers. Only values the node uploaded are
// kept; an abort or silence leaves the field empty.
struct NodeIdentity {
    std::int32_t node = 0;
    bool answered = false;                    // the node answered at least one identity request, an abort included
    bool family = false;                      // it uploaded a UID; false for a node that did not answer at all, too
    std::uint32_t uid = 0;                    // family only
    std::optional<std::uint32_t> deviceType;  // 0x1000:00
    std::optional<std::uint32_t> vendorId;    // 0x1018:01
    std::optional<std::uint32_t> productCode; // 0x1018:02
    std::optional<std::uint32_t> revision;    // 0x1018:03
    std::optional<std::uint32_t> serial;      // 0x1018:04
    std::optional<std::string> deviceName;    // 0x1008:00, as visibleText shows it
    std::string refused; // a read the adapter refused or another operation kept off the bus: the rest was not asked

    // "UID 0x06102200", or "device type 0x00000191  vendor 0x00000123  ...  name "IO module"": the
    // fields the node gave, two spaces apart; "no answer to the identity requests".
    std::string summary() const;
};

// Reads the UID and, when the node has none of the family's, its CiA 301 identity. A UID
// request without any answer is asked once more, as a frame may have been lost. A stop leaves
// the fields not read yet empty.
NodeIdentity identifyNode(CanOpenClient& client, std::int32_t node);

// A VISIBLE_STRING's bytes as text: trailing NUL padding dropped, printable ASCII as it stands,
// every other byte as \xNN, so that what the device sent is shown and nothing else.
std::string visibleText(const std::vector<std::uint8_t>& bytes);

} // namespace veldris
