#pragma once

#include "Command.h"

#include <string>

// diagnose [--report FILE]: the timing diagnosis of the sensor at --node, its lines as they
// come, the report file; exit 0 on PASSED, 1 on FAILED.
class DiagnoseCommand : public Command {
public:
    CLI::App* add(CLI::App& app) override;
    int run(Session& session) override;

private:
    std::string reportPath;
};
