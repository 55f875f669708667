#include "commands/ParamCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "common/TextConversion.h"
#include "sensor/ParameterAccess.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <variant>

namespace {

using veldris::CanOpenClient;

// A read gives a signed number (-1 unanswered), an unsigned number, or a byte list (empty
// unanswered).
using Reading = std::variant<std::int32_t, std::uint32_t, veldris::ByteList>;

const std::map<std::string, std::function<Reading(CanOpenClient&)>> readers = {
    {"heartbeat", [](CanOpenClient& c) { return Reading(veldris::getHeartbeat(c)); }},
    {"pdo-cobid", [](CanOpenClient& c) { return Reading(veldris::getTpdoCobIdBytes(c)); }},
    {"pdo-mapping", [](CanOpenClient& c) { return Reading(veldris::getTpdoMappingBytes(c)); }},
    {"pdo-transmission-type", [](CanOpenClient& c) { return Reading(veldris::getTpdoTransmissionType(c)); }},
    {"pdo-event-timer", [](CanOpenClient& c) { return Reading(veldris::getTpdoEventTimer(c)); }},
    {"srdo-cobid", [](CanOpenClient& c) { return Reading(veldris::getSrdoCobIdBytes(c)); }},
    {"srdo-mapping", [](CanOpenClient& c) { return Reading(veldris::getSrdoMappingBytes(c)); }},
    {"srdo-cycle-time", [](CanOpenClient& c) { return Reading(veldris::getSrdoCycleTime(c)); }},
    {"decimal-digits", [](CanOpenClient& c) { return Reading(veldris::readDecimalDigits(c)); }},
    {"current-error", [](CanOpenClient& c) { return Reading(veldris::getCurrentError(c)); }},
};

const std::map<std::string, std::function<bool(CanOpenClient&, std::uint32_t)>> writers = {
    {"heartbeat", veldris::setHeartbeat},
    {"pdo-event-timer", veldris::setTpdoEventTimer},
    {"pdo-cobid", veldris::setTpdoCobId},
};

std::vector<std::string> namesOf(const auto& table)
{
    std::vector<std::string> names;
    for (const auto& [name, function] : table)
        names.push_back(name);
    return names;
}

// Prints a reading as the Controls page shows it; false when the sensor did not answer.
bool print(const GlobalOptions& options, const std::string& name, const Reading& reading)
{
    nlohmann::json result = {{"name", name}};
    std::string text;
    bool answered = true;
    if (const auto* number = std::get_if<std::int32_t>(&reading)) {
        text = std::to_string(*number);
        result["value"] = *number;
        answered = *number != -1;
    } else if (const auto* plain = std::get_if<std::uint32_t>(&reading)) {
        text = std::to_string(static_cast<std::int32_t>(*plain));
        result["value"] = *plain;
    } else {
        const auto& bytes = std::get<veldris::ByteList>(reading);
        text = veldris::byteText(bytes);
        result["bytes"] = bytes;
        answered = !bytes.empty();
    }
    result["text"] = text;
    if (options.json)
        printJson(result);
    else
        std::cout << text << '\n';
    return answered;
}

} // namespace

CLI::App* ParamCommand::add(CLI::App& app)
{
    CLI::App* param = app.add_subcommand("param", "parameters of the Controls page");
    param->require_subcommand(1);
    CLI::App* get = param->add_subcommand("get", "read a parameter of the sensor at --node");
    get->add_option("name", name, "parameter")->required()->check(CLI::IsMember(namesOf(readers)));
    setCommand = param->add_subcommand("set", "write a parameter of the sensor at --node");
    setCommand->add_option("name", name, "parameter")->required()->check(CLI::IsMember(namesOf(writers)));
    setCommand->add_option("value", value, "decimal value")->required();
    return param;
}

int ParamCommand::run(const GlobalOptions& options)
{
    std::uint32_t number = 0;
    if (setCommand->parsed()) {
        try {
            number = static_cast<std::uint32_t>(veldris::decimalToInt(value));
        } catch (const std::exception& error) {
            std::cerr << "veldris-cli: '" << value << "': " << error.what() << '\n';
            return exitUsage;
        }
    }
    CanOpenClient& client = veldris::canOpenClient();
    if (const auto failed = connectFor(options, client, "param"))
        return *failed;
    if (setCommand->parsed()) {
        const bool confirmed = writers.at(name)(client, number);
        if (options.json)
            printJson(nlohmann::json{{"name", name}, {"value", number}, {"confirmed", confirmed}});
        if (!confirmed)
            std::cerr << "veldris-cli: node " << options.node << " did not confirm " << name << '\n';
        return confirmed ? exitDone : exitRefused;
    }
    if (!print(options, name, readers.at(name)(client))) {
        std::cerr << "veldris-cli: node " << options.node << " did not answer " << name << '\n';
        return exitRefused;
    }
    return exitDone;
}
