#pragma once

#include "Command.h"

#include <string>
#include <vector>

// crc compute V1..V8 / crc read / crc write: the SRDO checksum of the CRC page.
class CrcCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    CLI::App* computeCommand = nullptr;
    CLI::App* readCommand = nullptr;
    std::vector<std::string> values;
};
