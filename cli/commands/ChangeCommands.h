#pragma once

#include "Command.h"

// set-node-id NEW: the node-ID change of the Basic page, with its checks and messages.
class SetNodeIdCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    int newNodeId = -1;
};

// set-bitrate KBIT: the bit-rate change of the Basic page; --bitrate is the rate in use.
class SetBitrateCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    int kbit = 0;
};
