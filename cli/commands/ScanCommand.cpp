#include "commands/ScanCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"

#include <nlohmann/json.hpp>

#include <iostream>

CLI::App* ScanCommand::add(CLI::App& app)
{
    return app.add_subcommand("scan", "open the bus, NMT pre-operational to all, probe nodes 0..127");
}

int ScanCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = openBusFor(session))
        return *failed;
    const veldris::NodeScan scan = veldris::scanNodes(client);
    const std::vector<std::int32_t>& nodes = scan.nodes;
    if (options.json) {
        printJson(nlohmann::json{{"bitrate", options.bitrateKbit}, {"nodes", nodes}});
    } else {
        for (std::int32_t node : nodes)
            std::cout << node << '\n';
    }
    if (!scan.complete()) {
        std::cerr << "veldris-cli: the scan is incomplete: " << scan.refused << '\n';
        return exitRefused;
    }
    if (nodes.empty())
        std::cerr << "veldris-cli: no node answered at " << options.bitrateKbit << " kbit/s\n";
    return nodes.empty() ? exitRefused : exitDone;
}
