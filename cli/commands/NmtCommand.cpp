#include "commands/NmtCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"

#include <nlohmann/json.hpp>

#include <iostream>

CLI::App* NmtCommand::add(CLI::App& app)
{
    CLI::App* nmt = app.add_subcommand("nmt", "NMT command: start (--node), preop or reset (all nodes)");
    nmt->add_option("command", action, "start, preop or reset")->required()->check(CLI::IsMember({"start", "preop", "reset"}));
    return nmt;
}

int NmtCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    if (action == "start")
        if (const auto missing = requireNode(options, "nmt start"))
            return *missing;
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = openBusFor(session))
        return *failed;
    if (action == "start")
        veldris::nmtStartNode(client, static_cast<std::uint8_t>(options.node));
    else if (action == "preop")
        veldris::nmtEnterPreOperationalAll(client);
    else
        veldris::nmtResetCommunicationAll(client);
    const int node = action == "start" ? options.node : 0;
    if (options.json)
        printJson(nlohmann::json{{"command", action}, {"node", node}});
    else
        std::cout << "nmt " << action << (node ? " node " + std::to_string(node) : std::string(" all nodes")) << '\n';
    return exitDone;
}
