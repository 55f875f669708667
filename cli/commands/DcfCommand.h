#pragma once

#include "Command.h"

#include <string>

// dcf show FILE: the sections of a DCF and what the upload does with each (the download frame
//   it would send to --node, default 1, or why it skips or refuses the section).
// dcf write FILE [--verify]: the upload into the sensor at --node, its report lines as they
//   come; --verify reads every written value back before the store.
class DcfCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    int show(const GlobalOptions& options);
    int write(Session& session);

    CLI::App* writeCommand = nullptr;
    std::string path;
    bool verify = false;
};
