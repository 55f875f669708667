#pragma once

#include <string>

namespace veldris {

// How the program reaches the bus, as chosen on its command line.
struct AdapterChoice {
    std::string library;             // PCAN-Basic library name or path; empty: $VELDRIS_PCANBASIC or the default
    bool simulate = false;           // use the bundled simulator library instead
    bool socketcan = false;          // use the bundled SocketCAN library instead
    std::string socketcanInterfaces; // with socketcan: "can1" or "can0,can1"; empty: $VELDRIS_SOCKETCAN or can0
    std::string scenario;            // with simulate: scenario file; empty: the bundled default scenario
    std::string simState;            // with simulate: state file loaded at start and saved at exit
    std::string tracePath;           // record every frame written and read (.log candump, .pcap)
};

// The environment the PCAN-Basic binding and the simulator read; set before the CAN client
// is created.
inline constexpr const char* libraryVariable = "VELDRIS_PCANBASIC";
inline constexpr const char* scenarioVariable = "VELDRIS_SIM_SCENARIO";
inline constexpr const char* simStateVariable = "VELDRIS_SIM_STATE";
inline constexpr const char* socketcanVariable = "VELDRIS_SOCKETCAN";
inline constexpr const char* simulatorLibraryName = "libpcanbasic-sim.so";
inline constexpr const char* socketcanLibraryName = "libpcanbasic-socketcan.so";

// A library bundled with a program started from `executableDirectory`: beside it in a run
// folder, else in the installed library folder relative to it.
std::string bundledLibraryPath(const std::string& executableDirectory, const char* name);
inline std::string simulatorLibraryPath(const std::string& executableDirectory)
{
    return bundledLibraryPath(executableDirectory, simulatorLibraryName);
}

// Takes the value of --adapter: "pcan" (the PCAN-Basic library, the default) or
// "socketcan[:IFACE[,IFACE...]]". Returns an error text, empty when the value was taken.
std::string takeAdapterName(const std::string& value, AdapterChoice& choice);
// Refuses choices that exclude each other; an error text, empty when the choice holds.
std::string adapterChoiceConflict(const AdapterChoice& choice);

// Puts the choice into effect: sets the environment above (the simulator library is taken
// from `executableDirectory`). The trace path goes to the CAN client the program creates.
void applyAdapterChoice(const AdapterChoice& choice, const std::string& executableDirectory);

} // namespace veldris
