#include "commands/ChangeCommands.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "can/Bitrates.h"
#include "canopen/CanOpenClient.h"
#include "common/MessageSlots.h"
#include "common/Translations.h"
#include "sensor/SensorConnection.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

// The result line of a change: on standard output when done, standard error otherwise.
int finish(const GlobalOptions& options, veldris::ChangeResult result, const std::string& changedText,
           const std::string& notStoredSource)
{
    using veldris::ChangeResult;
    const std::string text = result == ChangeResult::Changed ? changedText
        : result == ChangeResult::NotStored                  ? veldris::translations().translate(notStoredSource)
                                                             : "the sensor refused the new value";
    if (options.json) {
        const char* outcome = result == ChangeResult::Changed ? "changed" : result == ChangeResult::NotStored ? "not stored" : "refused";
        printJson(nlohmann::json{{"result", outcome}, {"message", text}});
    }
    if (result == ChangeResult::Changed) {
        if (!options.json)
            std::cout << text << '\n';
        return exitDone;
    }
    std::cerr << "veldris-cli: " << text << '\n';
    return exitRefused;
}

int refuse(const std::string& text)
{
    std::cerr << "veldris-cli: " << text << '\n';
    return exitUsage;
}

} // namespace

CLI::App* SetNodeIdCommand::add(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("set-node-id", "give the sensor at --node a new node ID (stored, bus reset)");
    command->add_option("new", newNodeId, "the new node ID, 1..127")->required();
    return command;
}

int SetNodeIdCommand::run(const GlobalOptions& options)
{
    using veldris::Message;
    if (const auto missing = requireNode(options, "set-node-id"))
        return *missing;
    if (newNodeId == options.node)
        return refuse(veldris::message(Message::NodeIdUnchanged));
    if (newNodeId < 1 || newNodeId > 127)
        return refuse(veldris::message(Message::NodeIdOutOfRange));
    veldris::CanOpenClient& client = veldris::canOpenClient();
    if (const auto failed = connectFor(options, client, "set-node-id"))
        return *failed;
    const veldris::ChangeResult result = veldris::changeNodeId(client, static_cast<std::uint32_t>(options.node),
                                                               static_cast<std::uint32_t>(newNodeId));
    return finish(options, result, veldris::message(Message::ChangedNodeId),
                  "The new Node ID could not be stored in the sensor.");
}

CLI::App* SetBitrateCommand::add(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("set-bitrate", "give the sensor at --node a new bit rate (stored, bus reset)");
    command->add_option("kbit", kbit, "1000, 500, 250, 125, 50 or 20")->required()->check(
        CLI::IsMember(offeredBitratesKbit()));
    return command;
}

int SetBitrateCommand::run(const GlobalOptions& options)
{
    using veldris::Message;
    GlobalOptions wanted = options;
    wanted.bitrateKbit = kbit;
    if (const auto missing = requireNode(options, "set-bitrate"))
        return *missing;
    if (kbit == options.bitrateKbit)
        return refuse(veldris::message(Message::BitrateAlreadySet));
    veldris::CanOpenClient& client = veldris::canOpenClient();
    if (const auto failed = connectFor(options, client, "set-bitrate"))
        return *failed;
    const veldris::ChangeResult result =
        veldris::changeBitrate(client, static_cast<std::uint32_t>(options.node), wanted.bitrateIndex());
    const std::string rate = veldris::bitrateAt(wanted.bitrateIndex())->caption;
    return finish(options, result, veldris::message(Message::BitrateChangedTo) + rate,
                  "The new bit rate could not be stored in the sensor.");
}
