#pragma once

#include "Command.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veldris {
struct SdoObject;
}

// sdo read INDEX:SUB [--string] / sdo write INDEX:SUB VALUE --size 1|2|4 | --string TEXT |
// --bytes HEX: one SDO transfer with the node at --node, expedited or segmented as its length
// asks.
class SdoCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    std::optional<std::vector<std::uint8_t>> payloadOf(const veldris::SdoObject& target) const;

    CLI::App* readCommand = nullptr;
    CLI::App* writeCommand = nullptr;
    std::string object;
    std::string value;
    int size = 4;
    bool asText = false;
    std::optional<std::string> text;
    std::optional<std::string> hex;
};
