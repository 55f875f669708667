#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veldris {

// The values an object of a given size and signedness takes.
struct NumberRange {
    std::int64_t min = 0;
    std::int64_t max = 0;

    static constexpr NumberRange unsignedBytes(int bytes) { return {0, (std::int64_t{1} << (8 * bytes)) - 1}; }
    static constexpr NumberRange signedBytes(int bytes)
    {
        return {-(std::int64_t{1} << (8 * bytes - 1)), (std::int64_t{1} << (8 * bytes - 1)) - 1};
    }
    // An object of `bytes` bytes written as its unsigned value or as a negative number in two's
    // complement: -2^(8N-1) .. 2^(8N)-1.
    static constexpr NumberRange anyBytes(int bytes) { return {signedBytes(bytes).min, unsignedBytes(bytes).max}; }

    bool contains(std::int64_t value) const { return value >= min && value <= max; }
    std::string text() const; // "0..65535", "-128..127"
};

// A number a user typed or a file holds, read whole: decimal digits, or hexadecimal digits after
// "0x" or "0X", with a leading "-" only where the range goes below 0; blanks and a CR around it
// are ignored, anything else makes it no number.
struct NumberReading {
    enum class Problem { None, NotANumber, OutOfRange };
    Problem problem = Problem::NotANumber;
    std::int64_t value = 0; // when there is no problem

    bool ok() const { return problem == Problem::None; }
    // The value's bits as an object of up to four bytes carries them (two's complement).
    std::uint32_t bits() const { return static_cast<std::uint32_t>(value); }
};

NumberReading readNumberText(std::string_view text, const NumberRange& range);

// Why a text was refused: "'70000' is out of range (0..65535)", "'12abc' is not a number".
std::string numberRefusal(std::string_view text, const NumberReading& reading, const NumberRange& range);

} // namespace veldris
