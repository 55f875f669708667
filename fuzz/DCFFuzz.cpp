// Fuzz target for the DCF reader and the SDO download frame builder: any bytes a technician's
// file may hold are read into sections, and every section's frame is built. The sanitizers
// report a read outside a line or a section, and an overflow in the number reading.

#include "common/Log.h"
#include "dcf/DCFFile.h"
#include "dcf/DownloadFrame.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // "parsed all sections" on every input would drown the fuzzer's own output.
    static const bool quiet = [] {
        veldris::setDiagnosticStream(std::fopen("/dev/null", "w"));
        return true;
    }();
    (void)quiet;

    veldris::DCFFile file;
    const bool loaded = file.loadText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.dcf");
    if (!loaded && !file.sections().empty())
        std::abort(); // a failed load leaves no sections
    std::vector<std::string> problems;
    for (const veldris::DCFSection& section : file.sections()) {
        if (section.keys.size() != section.values.size() || section.keys.size() != section.keyLines.size()
            || section.headerLine <= 0)
            std::abort();
        veldris::CanFrame frame;
        buildDownloadFrame(section, 0x7F, frame, &problems);
        if (frame.identifier != 0x67F || frame.length != 8 || frame.messageType != 0)
            std::abort();
    }
    // Every value refused for the file names a line of it.
    for (const std::string& line : veldris::badValues(file.sections(), 0x7F))
        if (line.rfind("line ", 0) != 0)
            std::abort();
    return 0;
}
