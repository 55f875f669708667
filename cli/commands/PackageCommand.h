#pragma once

#include "Command.h"

#include <string>

// package show FILE: the package version, its methods and its modules.
class PackageCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    std::string path;
};
