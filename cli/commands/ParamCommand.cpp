#include "commands/ParamCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "sensor/ParameterAccess.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <map>
#include <optional>

namespace {

using veldris::CanOpenClient;
using veldris::SdoResult;

// How a parameter's value is shown: a signed number, an unsigned number, or its value bytes.
enum class Shape { Signed, Unsigned, Bytes, SrdoCobIdBytes };

struct Reader {
    SdoResult (*read)(CanOpenClient&, const veldris::SensorInfo&);
    Shape shape;
};

const std::map<std::string, Reader> readers = {
    {"heartbeat", {veldris::getHeartbeat, Shape::Signed}},
    {"pdo-cobid", {veldris::getTpdoCobId, Shape::Bytes}},
    {"pdo-mapping", {veldris::getTpdoMapping, Shape::Bytes}},
    {"pdo-transmission-type", {veldris::getTpdoTransmissionType, Shape::Unsigned}},
    {"pdo-event-timer", {veldris::getTpdoEventTimer, Shape::Unsigned}},
    {"srdo-cobid", {veldris::getSrdoCobId, Shape::SrdoCobIdBytes}},
    {"srdo-mapping", {veldris::getSrdoMapping, Shape::Bytes}},
    {"srdo-cycle-time", {veldris::getSrdoCycleTime, Shape::Unsigned}},
    {"decimal-digits", {veldris::readDecimalDigits, Shape::Unsigned}},
    {"current-error", {veldris::getCurrentError, Shape::Signed}},
};

// The writable parameters with the values their objects take.
struct Writer {
    SdoResult (*write)(CanOpenClient&, const veldris::SensorInfo&, std::uint16_t);
    veldris::NumberRange range;
    const char* object;
};

const std::map<std::string, Writer> writers = {
    {"heartbeat", {veldris::setHeartbeat, veldris::NumberRange::unsignedBytes(2), "0x1017:00"}},
    {"pdo-event-timer", {veldris::setTpdoEventTimer, veldris::NumberRange::unsignedBytes(2), "0x1800:05"}},
    {"pdo-cobid", {veldris::setTpdoCobId, {0, veldris::maxTpdoCobId}, "0x1800:01"}},
};

std::vector<std::string> namesOf(const auto& table)
{
    std::vector<std::string> names;
    for (const auto& [name, entry] : table)
        names.push_back(name);
    return names;
}

// Prints an uploaded value as the Controls page shows it.
void print(const GlobalOptions& options, const std::string& name, Shape shape, const SdoResult& read)
{
    nlohmann::json result = {{"name", name}};
    std::string text;
    if (shape == Shape::Signed) {
        const auto number = static_cast<std::int32_t>(read.value);
        text = std::to_string(number);
        result["value"] = number;
    } else if (shape == Shape::Unsigned) {
        text = std::to_string(read.value);
        result["value"] = read.value;
    } else {
        const veldris::ByteList bytes = shape == Shape::Bytes ? veldris::valueBytes(read) : veldris::srdoCobIdBytes(read);
        text = veldris::byteText(bytes);
        result["bytes"] = bytes;
    }
    result["text"] = text;
    if (options.json)
        printJson(result);
    else
        std::cout << text << '\n';
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

int ParamCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    std::uint32_t number = 0;
    if (setCommand->parsed()) {
        const Writer& writer = writers.at(name);
        const auto parsed = parseValue(value, writer.range, name + " (" + writer.object + ")");
        if (!parsed)
            return exitUsage;
        number = *parsed;
    }
    CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "param"))
        return *failed;
    if (setCommand->parsed()) {
        const SdoResult written = writers.at(name).write(client, session.sensor, static_cast<std::uint16_t>(number));
        if (options.json)
            printJson(nlohmann::json{{"name", name}, {"value", number}, {"confirmed", written.confirmed()}});
        if (!written.confirmed())
            reportFailure(options, written);
        return written.confirmed() ? exitDone : exitRefused;
    }
    const Reader& reader = readers.at(name);
    const SdoResult read = reader.read(client, session.sensor);
    if (!read.uploaded()) {
        reportFailure(options, read);
        return exitRefused;
    }
    print(options, name, reader.shape, read);
    return exitDone;
}
