#pragma once

#include "Command.h"

#include <string>

// fw update PACKAGE --method NAME [--force]: the firmware update of the sensor at --node with
// the modules of one method of a package, its report lines as they come and, on a terminal, a
// progress bar. Afterwards the tool waits for the sensor's application (at most 10 s), connects
// to it and prints its firmware version. --force talks to a bootloader that already runs.
class FirmwareCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    std::string path;
    std::string method;
    bool force = false;
};
