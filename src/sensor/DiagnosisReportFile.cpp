#include "sensor/DiagnosisReportFile.h"

#include "common/AtomicFile.h"

namespace veldris {

bool writeReport(const std::string& path, std::vector<std::string> lines, bool hasResults, std::string* error)
{
    if (!hasResults)
        lines.push_back("-- NO RESULTS --\n\nStart a diagnose to get results\n");
    std::string text = "KAVRO GmbH Diagnostic Report\n--------------------------------\n";
    for (const std::string& line : lines)
        text += line + "\n";
    return writeFileAtomically(path, text, error);
}

} // namespace veldris
