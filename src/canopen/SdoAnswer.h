#pragma once

#include "can/CanFrame.h"

#include <cstdint>

namespace veldris {

// What a sensor's answer to an expedited SDO request says, judged by its command byte alone
// (the request engine has already matched node, index and sub-index).
struct SdoAnswer {
    enum class Kind {
        Uploaded,  // 0x4F, 0x4B, 0x47, 0x43: a value of `size` bytes was read
        Confirmed, // 0x60: the download was taken
        Aborted,   // 0x80: the sensor refused; `value` holds the abort code
        NoAnswer,  // nothing came before the time-out (the engine left data byte 0 at 0)
        Other,     // any other command byte (a segmented transfer, which the sensors never start)
    };

    Kind kind = Kind::NoAnswer;
    std::uint8_t command = 0;
    std::uint8_t size = 0;   // bytes of an uploaded value, 1..4; 0 for every other kind
    std::uint32_t value = 0; // data bytes 4..7, least significant first, whatever the kind

    static SdoAnswer of(const CanFrame& answer);

    bool uploaded() const { return kind == Kind::Uploaded; }
    bool uploaded(std::uint8_t bytes) const { return kind == Kind::Uploaded && size == bytes; }
    bool confirmed() const { return kind == Kind::Confirmed; }
    bool aborted() const { return kind == Kind::Aborted; }
    bool answered() const { return kind != Kind::NoAnswer; }
    std::uint32_t abortCode() const { return kind == Kind::Aborted ? value : 0; }
};

} // namespace veldris
