#pragma once

#include "sim/VirtualBus.h"

#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

// The simulated bus behind the PCAN-Basic entry points, set up from the environment when the
// library is first used:
//   VELDRIS_SIM_SCENARIO  scenario file (default: the one compiled in)
//   VELDRIS_SIM_STATE     state file: loaded if it exists, written back at CAN_Uninitialize and
//                         when the process ends
//   VELDRIS_SIM_TRACE     every frame on the bus in candump log format
// The library is linked to stay loaded until the process ends, so the bus keeps running
// across the program's repeated loading of it.
class Simulator {
public:
    static Simulator& instance();

    VirtualBus* bus() { return running.get(); } // nullptr when the scenario could not be read
    void saveState();

private:
    Simulator();
    void loadState();
    void startTrace(const std::string& path);

    std::unique_ptr<VirtualBus> running;
    std::vector<std::string> names; // scenario section of each sensor, in bus order
    std::string statePath;
    std::mutex traceMutex;
    std::ofstream traceFile;
};

// Diagnostic line of the simulator on standard error.
void simMessage(const std::string& text);

} // namespace sim
