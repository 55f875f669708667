// A .kel file is untrusted input: any bytes, opened as an error log, must be refused or decoded
// without a fault, never reading outside the image.

#include "common/Log.h"
#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorLog.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::FILE* quiet = [] {
        std::FILE* sink = std::fopen("/dev/null", "w");
        veldris::setDiagnosticStream(sink);
        return sink;
    }();
    static_cast<void>(quiet);
    veldris::ErrorLog log(size % 2 == 0);
    veldris::ErrorLogStatus status = veldris::ErrorLogStatus::Ok;
    std::size_t total = 0;
    for (const veldris::ErrorLogRow& row : log.loadBytes(std::vector<std::uint8_t>(data, data + size), status))
        total += row.text.size() + row.valueText.size() + veldris::errorNumberText(row.errorBits).size();
    return total == static_cast<std::size_t>(-1);
}
