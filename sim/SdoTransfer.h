#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace sim {

// The one segmented SDO transfer a node's server runs at a time. Segment frames carry no
// index, so the server keeps here which object they belong to and how far the transfer got.
// An abort from either side, a new initiate and a reset end it.
struct SdoTransfer {
    enum class Direction { None, Upload, Download };

    Direction direction = Direction::None;
    std::uint16_t index = 0;
    std::uint8_t sub = 0;
    std::string data;                         // upload: the whole value; download: the bytes received so far
    std::size_t offset = 0;                   // upload: bytes already sent [bytes]
    std::uint8_t toggle = 0x00;               // 0x00 or 0x10: the toggle bit the client's next segment must carry
    int segmentsSent = 0;                     // upload
    std::optional<std::size_t> indicatedSize; // download: the size the client announced in its initiate
};

} // namespace sim
