#pragma once

#include "Command.h"

// scan: opens the bus at --bitrate and lists the node IDs that answer.
class ScanCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;
};
