// veldris-cli: the service tool's operations from a shell, on the same core as the window.
// Results go to standard output, everything else to standard error.

#include "ExitStatus.h"
#include "GlobalOptions.h"
#include "Interrupt.h"
#include "JsonOutput.h"
#include "commands/ChangeCommands.h"
#include "commands/CrcCommand.h"
#include "commands/ErrorLogCommand.h"
#include "commands/DcfCommand.h"
#include "commands/DiagnoseCommand.h"
#include "commands/FileCommands.h"
#include "commands/FirmwareCommand.h"
#include "commands/InfoCommand.h"
#include "commands/NmtCommand.h"
#include "commands/PackageCommand.h"
#include "commands/ParamCommand.h"
#include "commands/ScanCommand.h"
#include "commands/SdoCommand.h"

#include "common/DataDirectory.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/VersionInfo.h"

#include <nlohmann/json.hpp>

#include <climits>
#include <memory>
#include <vector>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

std::string executableDirectory(const char* argv0)
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return veldris::directoryOf(argv0);
    return veldris::directoryOf(std::string(path, static_cast<std::size_t>(length)));
}

int printVersion(bool json)
{
    const std::string version = veldris::versionValue("FileVersion");
    if (json)
        printJson(nlohmann::json{{"version", version}});
    else
        std::cout << "veldris-cli " << version << '\n';
    return exitDone;
}

} // namespace

int main(int argc, char** argv)
{
    veldris::setDiagnosticStream(stderr);
    const std::string directory = executableDirectory(argv[0]);

    CLI::App app("KAVRO Veldris command-line tool: scan the bus, read and configure sensors.", "veldris-cli");
    // Global options may also follow the command: "veldris-cli scan --bitrate 250".
    app.fallthrough(true);
    GlobalOptions options;
    addGlobalOptions(app, options);
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ScanCommand>());
    commands.push_back(std::make_unique<SdoCommand>());
    commands.push_back(std::make_unique<NmtCommand>());
    commands.push_back(std::make_unique<InfoCommand>());
    commands.push_back(std::make_unique<SetNodeIdCommand>());
    commands.push_back(std::make_unique<SetBitrateCommand>());
    commands.push_back(std::make_unique<ParamCommand>());
    commands.push_back(std::make_unique<CrcCommand>());
    commands.push_back(std::make_unique<PackageCommand>());
    commands.push_back(std::make_unique<DcfCommand>());
    commands.push_back(std::make_unique<FirmwareCommand>());
    commands.push_back(std::make_unique<HexCommand>());
    commands.push_back(std::make_unique<ErrorLogCommand>());
    commands.push_back(std::make_unique<DiagnoseCommand>());
    std::vector<std::pair<CLI::App*, Command*>> chosen;
    for (const auto& command : commands)
        chosen.emplace_back(command->add(app), command.get());
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::cerr << "veldris-cli: " << error.what() << "\nRun with --help for more information.\n";
        return exitUsage;
    }
    if (options.version)
        return printVersion(options.json);
    if (const std::string conflict = veldris::adapterChoiceConflict(options.adapter); !conflict.empty()) {
        std::cerr << "veldris-cli: " << conflict << '\n';
        return exitUsage;
    }
    Session session(options, veldris::DataDirectory(veldris::findDataDirectory(directory)));
    applyGlobalOptions(options, directory, session.data, session.translations);

    for (const auto& [subcommand, command] : chosen) {
        if (!subcommand->parsed())
            continue;
        const int status = command->run(session);
        if (!interrupted())
            return status;
        std::cerr << "veldris-cli: stopped by Ctrl-C; the last exchange with the bus was ended at a frame boundary\n";
        return exitInterrupted;
    }
    std::cerr << "veldris-cli: no command given.\nRun with --help for more information.\n";
    return exitUsage;
}
