#pragma once

#include "Command.h"

#include <string>

// errorlog show FILE: the descriptor and the rows of a .kel file, as the Error Log page lists them.
class ErrorLogCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(const GlobalOptions& options) override;

private:
    std::string path;
};
