#pragma once

#include "GlobalOptions.h"
#include "Session.h"

#include <CLI/CLI.hpp>

// One subcommand of veldris-cli: it adds itself, with its own arguments, to the parser and runs
// when it was chosen, on the session of this run. Results go to standard output, messages to standard error; the result
// is the exit status.
class Command {
public:
    virtual ~Command() = default;
    virtual CLI::App* add(CLI::App& app) = 0;
    virtual int run(Session& session) = 0;
};
