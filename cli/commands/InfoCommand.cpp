#include "commands/InfoCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "sensor/SensorConnection.h"
#include "sensor/SensorInfo.h"

#include <nlohmann/json.hpp>

#include <iostream>

CLI::App* InfoCommand::add(CLI::App& app)
{
    return app.add_subcommand("info", "node ID, UID, firmware version, item and serial number, variant, layout");
}

int InfoCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::CanOpenClient& client = session.client();
    if (const auto missing = requireNode(options, "info"))
        return *missing;
    if (const auto failed = openBusFor(session))
        return *failed;
    // An identity is printed only as the sensor gave it: a read that was aborted or not
    // answered would show zeros, or an abort code, as if they were the sensor's.
    const veldris::Connection connection = veldris::connectToSensor(client, std::to_string(options.node));
    if (const veldris::SdoResult* failed = connection.reads.firstFailure()) {
        reportFailure(options, *failed);
        return exitRefused;
    }
    const veldris::SensorInfo& sensor = connection.sensor;
    if (options.json) {
        printJson(nlohmann::json{{"nodeId", sensor.nodeId},
                                 {"uid", sensor.uid},
                                 {"firmwareVersion", sensor.firmwareVersion},
                                 {"itemNumber", sensor.itemNumber},
                                 {"serialNumber", sensor.serialNumber},
                                 {"variantCode", sensor.variantCode},
                                 {"uidListed", sensor.uidListed}});
    } else {
        std::cout << "node ID:          " << sensor.nodeId << "\nUID:              " << sensor.uid
                  << "\nfirmware version: " << sensor.firmwareVersion << "\nitem number:      " << sensor.itemNumber
                  << "\nserial number:    " << sensor.serialNumber << "\nvariant code:     " << sensor.variantCode
                  << "\nobject layout:    " << (sensor.uidListed ? "listed UID" : "other UID") << '\n';
    }
    return exitDone;
}
