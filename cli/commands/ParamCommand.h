#pragma once

#include "Command.h"

#include <string>

// param get NAME / param set NAME VALUE: the parameter reads and writes of the Controls page.
class ParamCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    CLI::App* setCommand = nullptr;
    std::string name;
    std::string value;
};
