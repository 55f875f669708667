#pragma once

#include <string>

namespace veldris {

// How the program reaches the bus, as chosen on its command line.
struct AdapterChoice {
    std::string library;   // PCAN-Basic library name or path; empty: $VELDRIS_PCANBASIC or the default
    bool simulate = false; // use the bundled simulator library instead
    std::string scenario;  // with simulate: scenario file; empty: the bundled default scenario
    std::string simState;  // with simulate: state file loaded at start and saved at exit
    std::string tracePath; // record every frame written and read (.log candump, .pcap)
};

// The environment the PCAN-Basic binding and the simulator read; set before the CAN client
// is created.
inline constexpr const char* libraryVariable = "VELDRIS_PCANBASIC";
inline constexpr const char* scenarioVariable = "VELDRIS_SIM_SCENARIO";
inline constexpr const char* simStateVariable = "VELDRIS_SIM_STATE";
inline constexpr const char* simulatorLibraryName = "libpcanbasic-sim.so";

// The simulator library of a program started from `executableDirectory`: beside it in a run
// folder, else in the installed library folder relative to it.
std::string simulatorLibraryPath(const std::string& executableDirectory);

// Puts the choice into effect: sets the environment above (the simulator library is taken
// from `executableDirectory`) and keeps the trace path for the adapter driver.
void applyAdapterChoice(const AdapterChoice& choice, const std::string& executableDirectory);

// The bus trace file chosen on the command line; empty for none.
const std::string& busTracePath();

} // namespace veldris
