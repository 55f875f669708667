#pragma once

#include "Command.h"

#include <string>

// hex show FILE [--dump OUT]: the address ranges of an Intel HEX image; --dump writes its bytes
// from the lowest to the highest address, gaps as the fill byte.
class HexCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    std::string path;
    std::string dumpPath;
};
