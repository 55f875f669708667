#include "can/AdapterChoice.h"

#include <cstdlib>
#include <filesystem>

namespace veldris {

namespace {
std::string& tracePathValue()
{
    static std::string path;
    return path;
}
}

std::string simulatorLibraryPath(const std::string& executableDirectory)
{
    const std::string beside = executableDirectory + "/" + simulatorLibraryName;
    std::error_code ignored;
    if (std::filesystem::exists(beside, ignored))
        return beside;
    const std::filesystem::path installed =
        std::filesystem::path(executableDirectory) / VELDRIS_LIB_FROM_BIN / simulatorLibraryName;
    return std::filesystem::exists(installed, ignored) ? installed.lexically_normal().string() : beside;
}

void applyAdapterChoice(const AdapterChoice& choice, const std::string& executableDirectory)
{
    if (choice.simulate) {
        const std::string simulator = simulatorLibraryPath(executableDirectory);
        ::setenv(libraryVariable, simulator.c_str(), 1);
        if (!choice.scenario.empty())
            ::setenv(scenarioVariable, choice.scenario.c_str(), 1);
        if (!choice.simState.empty())
            ::setenv(simStateVariable, choice.simState.c_str(), 1);
    } else if (!choice.library.empty()) {
        ::setenv(libraryVariable, choice.library.c_str(), 1);
    }
    tracePathValue() = choice.tracePath;
}

const std::string& busTracePath()
{
    return tracePathValue();
}

} // namespace veldris
