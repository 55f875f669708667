#include "commands/CrcCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "HexText.h"

#include "canopen/CanOpenClient.h"
#include "common/MessageSlots.h"
#include "sensor/SensorInfo.h"
#include "sensor/SrdoChecksum.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

namespace {

int compute(const GlobalOptions& options, const std::vector<std::string>& texts)
{
    veldris::SrdoValues values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto value = parseValue(texts[i], veldris::NumberRange::anyBytes(4), "value " + std::to_string(i + 1));
        if (!value)
            return exitUsage;
        values[i] = *value;
    }
    const std::uint16_t checksum = veldris::computeSrdoChecksum(values);
    if (options.json)
        printJson(nlohmann::json{{"checksum", checksum}, {"text", hexText(checksum, 4)}});
    else
        std::cout << hexText(checksum, 4) << '\n';
    return exitDone;
}

int read(const GlobalOptions& options, veldris::CanOpenClient& client)
{
    const auto node = static_cast<std::uint32_t>(options.node);
    const veldris::SrdoConfiguration configuration = veldris::loadSrdoConfiguration(client, node);
    if (!configuration.complete()) {
        reportFailure(options, *configuration.failure);
        return exitRefused;
    }
    const veldris::SdoResult checksum = veldris::readSrdoChecksum(client, node);
    if (!checksum.uploaded()) {
        reportFailure(options, checksum);
        return exitRefused;
    }
    const veldris::SrdoValues& values = configuration.values;
    const std::uint32_t stored = checksum.value;
    const std::uint16_t computed = veldris::computeSrdoChecksum(values);
    if (options.json) {
        printJson(nlohmann::json{{"values", values}, {"checksum", stored}, {"computed", computed}});
        return exitDone;
    }
    const char* names[] = {"1301:01", "1301:02", "1301:03", "1301:05", "1301:06", "1381:00", "1381:01", "1381:02"};
    for (std::size_t i = 0; i < values.size(); ++i)
        std::cout << names[i] << "  " << hexText(values[i], 8) << '\n';
    std::cout << "checksum " << hexText(stored, 4) << " (computed " << hexText(computed, 4) << ")\n";
    return exitDone;
}

int write(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::CanOpenClient& client = session.client();
    using veldris::Message;
    const auto node = static_cast<std::uint32_t>(options.node);
    // A checksum over values that were not read would mark a wrong configuration valid.
    const veldris::SrdoConfiguration configuration = veldris::loadSrdoConfiguration(client, node);
    if (!configuration.complete()) {
        reportFailure(options, *configuration.failure);
        return exitRefused;
    }
    const bool saved = veldris::saveSrdoChecksum(client, node, configuration.values).confirmed();
    const std::string text = veldris::message(saved ? Message::ChecksumSaved : Message::ChecksumNotSaved, session.translations);
    if (options.json)
        printJson(nlohmann::json{{"saved", saved}, {"message", text}});
    else if (saved)
        std::cout << text << '\n';
    if (!saved)
        std::cerr << "veldris-cli: " << text << '\n';
    return saved ? exitDone : exitRefused;
}

} // namespace

CLI::App* CrcCommand::add(CLI::App& app)
{
    CLI::App* crc = app.add_subcommand("crc", "the SRDO checksum");
    crc->require_subcommand(1);
    computeCommand = crc->add_subcommand("compute", "the checksum of eight values (decimal or 0x hex), no bus");
    computeCommand->add_option("values", values, "1301:01 1301:02 1301:03 1301:05 1301:06 1381:00 1381:01 1381:02")
        ->required()
        ->expected(8);
    readCommand = crc->add_subcommand("read", "the SRDO configuration and the stored checksum of --node");
    crc->add_subcommand("write", "compute the checksum of --node's configuration, write it, the valid mark and store");
    return crc;
}

int CrcCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    if (computeCommand->parsed())
        return compute(options, values);
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "crc"))
        return *failed;
    return readCommand->parsed() ? read(options, client) : write(session);
}
