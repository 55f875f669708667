#pragma once

#include "Command.h"

// info: the identity of the sensor at --node, read as choosing it in the window reads it.
class InfoCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;
};
