// Feeds arbitrary bytes to the Intel HEX reader: whatever a damaged or hostile image file
// holds, the reader must stay inside its buffer and either fill the image or fail with its
// message, and the image must read back what it holds.
#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    veldris::MemoryImage image;
    try {
        veldris::IntelHex(data, static_cast<std::uint32_t>(size), &image);
    } catch (const std::runtime_error&) {
        // A rejected file: what the earlier records wrote is still read back below.
    }
    if (image.empty())
        return 0;
    // The upload reads every address from lowest to highest; the first 4 KiB are enough to
    // exercise ranges and gaps without the cost of a 4 GiB span.
    const std::uint64_t last = std::min(image.highest(), image.lowest() + 4096);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(last - image.lowest() + 1));
    image.read(image.lowest(), bytes.data(), bytes.size());
    for (std::uint64_t address = image.lowest(); address <= last; ++address) {
        if (image.byteAt(address) != bytes[address - image.lowest()])
            __builtin_trap();
    }
    return 0;
}
