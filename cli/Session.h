#pragma once

#include "GlobalOptions.h"

#include "common/DataDirectory.h"
#include "common/Translations.h"
#include "sensor/SensorInfo.h"

#include <memory>

namespace veldris {
class CanOpenClient;
}

// What one run of veldris-cli keeps while its command runs: the options, the program's data
// folder, the translation table, the CAN client and the record of the sensor the command
// connected to. main() owns it and hands it to the command.
class Session {
public:
    Session(const GlobalOptions& options, veldris::DataDirectory data);
    ~Session();

    const GlobalOptions& options;
    const veldris::DataDirectory data;
    veldris::Translations translations;
    veldris::SensorInfo sensor; // set by connectFor

    // Created at the first use, after the options took effect, so that commands that need no
    // bus never load the adapter library; it records to --trace.
    veldris::CanOpenClient& client();

private:
    std::unique_ptr<veldris::CanOpenClient> bus;
};
