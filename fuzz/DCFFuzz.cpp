// Fuzz target for the DCF reader, the SDO download frame builder and the template edit of a
// save from a sensor: any bytes a technician's file may hold are read into sections, every
// section's frame is built, and ParameterValues are replaced and removed. The sanitizers
// report a read outside a line or a section, and an overflow in the number reading.

#include "common/Log.h"
#include "dcf/DCFFile.h"
#include "dcf/DcfTemplate.h"
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
    // Saving values read from a sensor into the file as its template: every other section
    // loses its ParameterValue, so both kinds of edit run over whatever the file holds.
    veldris::ParameterValueEdits edits;
    bool replace = true;
    for (const veldris::DCFSection& section : file.sections()) {
        edits[section.headerLine] = replace ? std::optional<std::string>("0x1F4") : std::nullopt;
        replace = !replace;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string edited = veldris::editParameterValues(text, file.sections(), edits);
    if (file.sections().empty() && edited != text)
        std::abort(); // nothing to edit: the bytes stay as they are
    // Every value refused for the file names a line of it.
    for (const std::string& line : veldris::badValues(file.sections(), 0x7F))
        if (line.rfind("line ", 0) != 0)
            std::abort();
    return 0;
}
