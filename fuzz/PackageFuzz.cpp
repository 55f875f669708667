// Firmware packages are untrusted input: any bytes, read as a plain or scrambled archive, must
// be refused or read without a fault.

#include "firmware/FirmwarePackage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    veldris::FirmwarePackage package;
    package.loadPackageBytes(std::vector<std::uint8_t>(data, data + size), size % 2 == 1);
    std::size_t total = 0;
    for (const veldris::FirmwareModule& module : package.modules())
        total += module.imageSize() + module.name.size() + module.version.size();
    for (const veldris::HandlingModule& method : package.methods())
        for (const std::string& line : method.lines)
            total += package.findModule(line) ? 1 : line.size();
    return total == static_cast<std::size_t>(-1);
}
