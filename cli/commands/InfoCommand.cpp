#include "commands/InfoCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "sensor/SensorInfo.h"

#include <nlohmann/json.hpp>

#include <iostream>

CLI::App* InfoCommand::add(CLI::App& app)
{
    return app.add_subcommand("info", "node ID, UID, firmware version, item and serial number, variant, layout");
}

int InfoCommand::run(const GlobalOptions& options)
{
    veldris::CanOpenClient& client = veldris::canOpenClient();
    if (const auto failed = connectFor(options, client, "info"))
        return *failed;
    const veldris::SensorInfo& sensor = veldris::connectedSensor();
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
    if (sensor.uid == "0x00000000") {
        std::cerr << "veldris-cli: node " << options.node << " did not answer\n";
        return exitRefused;
    }
    return exitDone;
}
