#pragma once

#include "Command.h"

#include <string>

// dcf show FILE: the sections of a DCF and what the upload does with each (the download frame
//   it would send to --node, default 1, or why it skips or refuses the section).
// dcf write FILE [--verify]: the upload into the sensor at --node, its report lines as they
//   come; --verify reads every written value back before the store.
// dcf read TEMPLATE --output FILE: FILE is TEMPLATE with the sensor's value of every section
//   that dcf write would send; an entry that could not be read has no ParameterValue there.
// dcf diff FILE: the sensor's value of every such section against the file's.
class DcfCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    int show(const GlobalOptions& options);
    int write(Session& session);
    int read(Session& session);
    int diff(Session& session);

    CLI::App* writeCommand = nullptr;
    CLI::App* readCommand = nullptr;
    CLI::App* diffCommand = nullptr;
    std::string path;
    std::string output;
    bool verify = false;
};
