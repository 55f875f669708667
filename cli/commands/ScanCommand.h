#pragma once

#include "Command.h"

// scan [--identify]: opens the bus at --bitrate and lists the node IDs that answer; with
// --identify also what each node is.
class ScanCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    bool identify = false;
};
