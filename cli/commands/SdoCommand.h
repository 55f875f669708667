#pragma once

#include "Command.h"

#include <cstdint>
#include <string>

// sdo read INDEX:SUB / sdo write INDEX:SUB VALUE --size 1|2|4: one expedited SDO transfer with
// the sensor at --node.
class SdoCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    CLI::App* readCommand = nullptr;
    CLI::App* writeCommand = nullptr;
    std::string object;
    std::string value;
    int size = 4;
};
