#include "commands/FirmwareCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "TerminalProgress.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareUpdate.h"
#include "sensor/SensorConnection.h"
#include "sensor/SensorInfo.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <iostream>
#include <optional>

namespace {

using Outcome = veldris::ModuleUpdateResult::Outcome;

const char* outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Updated: return "updated";
    case Outcome::Refused: return "refused";
    case Outcome::Skipped: return "skipped";
    default: return "failed";
    }
}

// After the reboot: the sensor's application at --node, waited for at the chosen bit rate for
// at most 10 s, connected to as choosing it in the window does. Its firmware version as it
// gave it; nothing when it did not come back (`silent`), or when the adapter did not open or
// the sensor did not give its version (both said on standard error).
std::optional<std::string> reconnect(const GlobalOptions& options, veldris::CanOpenClient& client, bool& silent)
{
    silent = true;
    if (options.node < 0)
        return std::nullopt;
    if (!veldris::openBus(client, 0, options.bitrateIndex())) {
        silent = false; // not the sensor: the adapter, said here
        reportAdapterNotOpened(options, " to read the firmware version back");
        return std::nullopt;
    }
    const auto node = static_cast<std::uint8_t>(options.node);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!veldris::sdoExchange(client, veldris::requests::readUid(node), 100).answered()) {
        if (client.stopRequested() || std::chrono::steady_clock::now() >= giveUp)
            return std::nullopt;
        client.pause(std::chrono::milliseconds(100));
    }
    silent = false;
    const veldris::IdentityReads reads = veldris::connectToSensor(client, std::to_string(options.node)).reads;
    if (!reads.firmwareVersion.uploaded()) {
        reportFailure(options, reads.firmwareVersion);
        return std::nullopt;
    }
    return veldris::versionText(reads.firmwareVersion);
}

} // namespace

CLI::App* FirmwareCommand::add(CLI::App& app)
{
    CLI::App* fw = app.add_subcommand("fw", "firmware");
    fw->require_subcommand(1);
    CLI::App* update = fw->add_subcommand("update", "write the modules of a method of PACKAGE into the sensor at --node");
    update->add_option("package", path, "firmware package (.kfu)")->required();
    update->add_option("--method", method, "the update method, as `package show` lists it")->required();
    update->add_flag("--force", force, "the sensor's bootloader runs already (the sensor does not answer as a node)");
    return fw;
}

int FirmwareCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::FirmwarePackage package;
    if (const std::string error = package.loadPackage(path); !error.empty()) {
        std::cerr << "veldris-cli: " << path << ": " << error << '\n';
        return exitUsage;
    }
    const veldris::HandlingModule* chosen = nullptr;
    for (const veldris::HandlingModule& candidate : package.methods())
        if (candidate.name == method)
            chosen = &candidate;
    if (!chosen) {
        std::cerr << "veldris-cli: " << path << " has no method '" << method << "'; it has:";
        for (const veldris::HandlingModule& candidate : package.methods())
            std::cerr << " '" << candidate.name << "'";
        std::cerr << '\n';
        return exitUsage;
    }
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = force ? openBusFor(session) : connectFor(session, "fw update"))
        return *failed;

    nlohmann::json modules = nlohmann::json::array();
    std::vector<std::string> lines;
    bool allUpdated = !chosen->lines.empty();
    {
        TerminalProgress progress(stdout, TerminalProgress::terminalOrNull(), options.json);
        veldris::FirmwareUpdate update(client, session.sensor, force);
        for (const std::string& name : chosen->lines) {
            const veldris::ModuleUpdateResult result = update.update(package.findModule(name), progress);
            allUpdated = allUpdated && result.outcome == Outcome::Updated;
            modules.push_back({{"name", name},
                               {"result", outcomeName(result.outcome)},
                               {"bytes", result.bytes},
                               {"frames", result.frames},
                               {"unechoed", result.unechoed},
                               {"seconds", result.seconds},
                               {"stopped", result.outcome == Outcome::Stopped}});
            if (result.outcome == Outcome::Stopped)
                break;
        }
        lines = progress.collectedLines();
    }
    bool silent = false;
    const std::optional<std::string> version = client.stopRequested() ? std::nullopt : reconnect(options, client, silent);
    if (options.json)
        printJson(nlohmann::json{
            {"lines", lines}, {"modules", modules}, {"firmwareVersion", version ? nlohmann::json(*version) : nullptr}});
    else if (version)
        std::cout << "firmware version: " << *version << '\n';
    if (!version && silent && options.node >= 0 && !client.stopRequested())
        std::cerr << "veldris-cli: node " << options.node << " did not answer within 10 s after the update\n";
    if (!allUpdated)
        std::cerr << "veldris-cli: the firmware update did not succeed for every module of '" << method << "'\n";
    if (!client.adapterOpen() && !client.stopRequested())
        return exitNoAdapter; // the update's re-open at 125 kbit/s or the read-back's did not open it
    // Done means the new application answers with its version; without --node (a forced
    // update) there is nobody to ask.
    return allUpdated && (version || options.node < 0) ? exitDone : exitRefused;
}
