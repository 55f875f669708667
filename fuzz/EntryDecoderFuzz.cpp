// Feeds arbitrary error-log images to the entry decoder under arbitrary descriptors: whatever a
// damaged .kel file or a cut-short readout holds, the decoder must stay inside the memory and
// the descriptor's lists, end every walk, and list ordinary entries only as the filter allows.
#include "common/Log.h"
#include "errorlog/EntryDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }

    std::uint32_t word(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return value;
    }
};

// The first bytes choose the descriptor: pagesize, pagecnt, layout flag, pattern (the four
// known ones or an unknown one), page header length, list, filter and up to 33/33/4 elements of
// ebit/ibit/log (more than a complete description has, so short and long lists both occur).
veldris::ErrorLogDescriptor descriptorFrom(Input& in, bool& filter)
{
    static const char* const patterns[] = {"EEEETTVV", "EEEEVVVV", "ETTVVXXX", "EVVVVXXX", "EEEETTVX"};
    veldris::ErrorLogDescriptor d;
    d.pagesize = static_cast<std::uint16_t>(in.word(2) % 1024);
    d.pagecnt = in.byte();
    d.uidListed = in.byte() % 3;
    d.errorstruct = patterns[in.byte() % 5];
    d.pageheader = std::string(in.byte() % 10, 'A') + "XX";
    d.list = in.word(4);
    filter = in.byte() % 2 == 0;
    const auto fill = [&in](std::vector<std::int32_t>& list, std::size_t most) {
        for (std::size_t n = in.byte() % (most + 1); n > 0; --n)
            list.push_back(static_cast<std::int8_t>(in.byte()));
    };
    fill(d.ebit, 33);
    fill(d.ibit, 33);
    fill(d.log, 4);
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::FILE* const discard = [] {
        std::FILE* file = std::fopen("/dev/null", "w");
        veldris::setDiagnosticStream(file);
        return file;
    }();
    (void)discard;
    Input in{data, size};
    bool filter = true;
    const veldris::ErrorLogDescriptor d = descriptorFrom(in, filter);
    // The rest is the image; the decoder skips its first 256 bytes, so short inputs also try
    // images without any memory.
    const std::vector<std::uint8_t> image(in.data, in.data + in.size);
    for (const veldris::ErrorLogRow& row : veldris::decodeEntries(d, image, filter)) {
        const bool special = row.errorBits >= 0x41 && row.errorBits <= 0x43;
        if (filter && !special && (row.errorBits & d.list) == 0)
            __builtin_trap();
        if (veldris::errorNumberText(row.errorBits).size() < 4)
            __builtin_trap();
    }
    return 0;
}
