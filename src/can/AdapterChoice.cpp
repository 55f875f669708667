#include "can/AdapterChoice.h"

#include <cstdlib>

namespace veldris {

namespace {
std::string& tracePathValue()
{
    static std::string path;
    return path;
}
}

void applyAdapterChoice(const AdapterChoice& choice, const std::string& executableDirectory)
{
    if (choice.simulate) {
        const std::string simulator = executableDirectory + "/" + simulatorLibraryName;
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
