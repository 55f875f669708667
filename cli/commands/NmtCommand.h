#pragma once

#include "Command.h"

#include <string>

// nmt start|preop|reset: start addresses --node, the others all nodes.
class NmtCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    std::string action;
};
