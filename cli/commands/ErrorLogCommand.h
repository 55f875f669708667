#pragma once

#include "Command.h"

#include <string>

// errorlog show FILE: the descriptor and the rows of a .kel file, as the Error Log page lists them.
// errorlog read [--output FILE.kel]: the error log read out of the sensor at --node, listed the
//   same way (with progress on a terminal); --output saves its image.
class ErrorLogCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    int show(const GlobalOptions& options);
    int read(Session& session);

    CLI::App* readCommand = nullptr;
    std::string path;
    std::string output;
};
