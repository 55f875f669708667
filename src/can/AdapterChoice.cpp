#include "can/AdapterChoice.h"

#include <cstdlib>
#include <filesystem>

namespace veldris {

std::string bundledLibraryPath(const std::string& executableDirectory, const char* name)
{
    const std::string beside = executableDirectory + "/" + name;
    std::error_code ignored;
    if (std::filesystem::exists(beside, ignored))
        return beside;
    const std::filesystem::path installed = std::filesystem::path(executableDirectory) / VELDRIS_LIB_FROM_BIN / name;
    return std::filesystem::exists(installed, ignored) ? installed.lexically_normal().string() : beside;
}

std::string takeAdapterName(const std::string& value, AdapterChoice& choice)
{
    if (value == "pcan") {
        choice.socketcan = false;
        return {};
    }
    const std::string kind = value.substr(0, value.find(':'));
    if (kind != "socketcan")
        return "--adapter takes pcan or socketcan[:INTERFACE], not \"" + value + "\"";
    const std::string interfaces = kind.size() < value.size() ? value.substr(kind.size() + 1) : std::string();
    if (kind.size() < value.size()
        && (interfaces.empty() || interfaces.front() == ',' || interfaces.back() == ','
            || interfaces.find(",,") != std::string::npos))
        return "--adapter socketcan: names no interface after ':'";
    choice.socketcan = true;
    choice.socketcanInterfaces = interfaces;
    return {};
}

std::string adapterChoiceConflict(const AdapterChoice& choice)
{
    if (choice.socketcan && choice.simulate)
        return "--adapter socketcan and --simulate exclude each other";
    if (choice.socketcan && !choice.library.empty())
        return "--adapter socketcan and --library exclude each other";
    if (!choice.simState.empty() && !choice.simulate)
        return "--sim-state goes with --simulate";
    return {};
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
    } else if (choice.socketcan) {
        const std::string library = bundledLibraryPath(executableDirectory, socketcanLibraryName);
        ::setenv(libraryVariable, library.c_str(), 1);
        if (!choice.socketcanInterfaces.empty())
            ::setenv(socketcanVariable, choice.socketcanInterfaces.c_str(), 1);
    } else if (!choice.library.empty()) {
        ::setenv(libraryVariable, choice.library.c_str(), 1);
    }
}

} // namespace veldris
