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
int finish(Session& session, veldris::ChangeResult result, const std::string& changedText, const std::string& notStoredSource)
{
    using veldris::ChangeResult;
    const GlobalOptions& options = session.options;
    const std::string text = result == ChangeResult::Changed   ? changedText
                           : result == ChangeResult::NotStored ? session.translations.translate(notStoredSource)
                                                               : "the sensor refused the new value";
    if (options.json) {
        const char* outcome = result == ChangeResult::Changed   ? "changed"
                            : result == ChangeResult::NotStored ? "not stored"
                                                                : "refused";
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

// A change refused before any frame is sent: the same value, or one out of range.
int refuse(const Session& session, veldris::ChangeResult refusal, veldris::Message unchanged, veldris::Message outOfRange)
{
    const veldris::Message slot = refusal == veldris::ChangeResult::Unchanged ? unchanged : outOfRange;
    std::cerr << "veldris-cli: " << veldris::message(slot, session.translations) << '\n';
    return exitUsage;
}

} // namespace

CLI::App* SetNodeIdCommand::add(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("set-node-id", "give the sensor at --node a new node ID (stored, bus reset)");
    command->add_option("new", newNodeId, "the new node ID, 1..127")->required();
    return command;
}

int SetNodeIdCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    using veldris::Message;
    if (const auto missing = requireNode(options, "set-node-id"))
        return *missing;
    if (const auto refusal = veldris::nodeIdChangeRefusal(options.node, newNodeId))
        return refuse(session, *refusal, Message::NodeIdUnchanged, Message::NodeIdOutOfRange);
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "set-node-id"))
        return *failed;
    const veldris::ChangeResult result = veldris::changeNodeId(client, options.node, newNodeId);
    return finish(session, result, veldris::message(Message::ChangedNodeId, session.translations),
                  "The new Node ID could not be stored in the sensor.");
}

CLI::App* SetBitrateCommand::add(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("set-bitrate", "give the sensor at --node a new bit rate (stored, bus reset)");
    command->add_option("kbit", kbit, "1000, 500, 250, 125, 50 or 20")->required()->check(CLI::IsMember(offeredBitratesKbit()));
    return command;
}

int SetBitrateCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    using veldris::Message;
    GlobalOptions wanted = options;
    wanted.bitrateKbit = kbit;
    if (const auto missing = requireNode(options, "set-bitrate"))
        return *missing;
    // CLI11 admits only the offered rates, so a refusal here is the same rate.
    if (const auto refusal = veldris::bitrateChangeRefusal(options.bitrateIndex(), wanted.bitrateIndex()))
        return refuse(session, *refusal, Message::BitrateAlreadySet, Message::BitrateAlreadySet);
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "set-bitrate"))
        return *failed;
    const veldris::ChangeResult result =
        veldris::changeBitrate(client, static_cast<std::uint32_t>(options.node), options.bitrateIndex(), wanted.bitrateIndex());
    const std::string rate = veldris::bitrateAt(wanted.bitrateIndex())->caption;
    return finish(session, result, veldris::message(Message::BitrateChangedTo, session.translations) + rate,
                  "The new bit rate could not be stored in the sensor.");
}
