#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace veldris {

// Consecutive bytes of a firmware image: addresses start .. start + length - 1.
struct MemoryRange {
    std::uint64_t start = 0;
    std::uint64_t length = 0; // always bytes.size()
    std::uint8_t fill = 0xFF;
    std::vector<std::uint8_t> bytes;
};

// The bytes of a firmware image by address, as the HEX reader fills it and the bootloader
// upload reads it: every address from lowest() to highest() is sent, and addresses that no
// record covered read as the fill byte 0xFF (the value of erased flash).
//
// A byte goes to the range that starts at its address, else to the last range (in list
// order) that holds the address or ends just before it; when there is none, a new range
// starts there. So consecutive addresses extend one range, a jump starts a new one, a byte
// written twice keeps the later value, and ranges are never merged. Ranges keep the order
// in which they were first written.
//
// Writes and reads cost O(log n) in the number of ranges, and a write right after the
// previous one (the usual case: records in address order) costs O(1).
class MemoryImage {
public:
    void write(std::uint64_t address, std::uint8_t byte);
    // The same as `count` single writes at address, address + 1, ..., in one step when they
    // all go to the range of the previous write.
    void write(std::uint64_t address, const std::uint8_t* bytes, std::size_t count);
    void read(std::uint64_t address, std::uint8_t* out, std::size_t count) const;
    std::uint8_t byteAt(std::uint64_t address) const;

    std::uint64_t lowest() const { return lowestAddress; }   // all ones while empty
    std::uint64_t highest() const { return highestAddress; } // 0 while empty
    const std::vector<MemoryRange>& ranges() const { return list; }
    std::uint8_t fillByte() const { return fill; }
    bool empty() const { return list.empty(); }
    void clear();
    // An upper bound of the bytes a reader is about to write: the first range the image starts
    // reserves that much, so that an image of megabytes in address order grows in place
    // instead of being copied at every doubling. Memory reserved but never written costs no
    // pages.
    void expectBytes(std::size_t count) { expected = count; }

private:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    std::size_t rangeFor(std::uint64_t address) const;
    void aim(std::size_t index);

    static constexpr std::uint8_t fill = 0xFF;
    std::vector<MemoryRange> list;
    std::map<std::uint64_t, std::size_t> byStart; // start address -> index in `list`
    std::uint64_t lowestAddress = ~std::uint64_t{0};
    std::uint64_t highestAddress = 0;

    // The range of the last write, and the start of the next range above it: a write at
    // its end may extend it only while no other range starts there.
    std::size_t cursor = none;
    std::uint64_t cursorLimit = 0;
    std::size_t expected = 0;
};

} // namespace veldris
