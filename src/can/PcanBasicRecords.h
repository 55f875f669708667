#pragma once

#include "can/PcanBasicTypes.h"

#include <cstdint>
#include <cstring>
#include <string_view>

// Filling the records a PCAN-Basic library hands back: CAN_GetValue's buffers and the
// receive time stamp. Shared by the libraries this project builds behind the API.
namespace pcan {

// A value into the caller's buffer of `length` bytes; refused when the buffer is missing or
// too small.
template <class T>
Status putValue(void* buffer, std::uint32_t length, const T& value)
{
    if (!buffer || length < sizeof(T))
        return errorIllParamVal;
    std::memcpy(buffer, &value, sizeof(T));
    return ok;
}

// A text with its terminating NUL; refused when it does not fit.
inline Status putText(void* buffer, std::uint32_t length, std::string_view text)
{
    if (!buffer || length < text.size() + 1)
        return errorIllParamVal;
    std::memcpy(buffer, text.data(), text.size());
    static_cast<char*>(buffer)[text.size()] = '\0';
    return ok;
}

// The time stamp of an instant given in µs (since the Unix epoch on Linux): milliseconds in
// 32 bits, their overflow, and the µs within the millisecond.
inline Timestamp timestampAt(std::uint64_t micros)
{
    const std::uint64_t millis = micros / 1000;
    return Timestamp{static_cast<std::uint32_t>(millis), static_cast<std::uint16_t>(millis >> 32),
                     static_cast<std::uint16_t>(micros % 1000)};
}

} // namespace pcan
