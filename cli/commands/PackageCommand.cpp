#include "commands/PackageCommand.h"

#include "ExitStatus.h"
#include "JsonOutput.h"

#include "firmware/FirmwarePackage.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

nlohmann::json moduleJson(const veldris::FirmwareModule& m)
{
    return {{"name", m.name},
            {"type", m.type},
            {"description", m.description},
            {"location", m.location},
            {"startaddress", m.startaddress},
            {"endaddress", m.endaddress},
            {"version", m.version},
            {"device", m.device},
            {"ui", m.ui},
            {"imageSize", m.imageSize()}};
}

void printText(const veldris::FirmwarePackage& package)
{
    std::cout << "package version " << package.version() << "\nmethods:\n";
    for (const veldris::HandlingModule& method : package.methods()) {
        std::cout << "  " << method.name << ':';
        for (const std::string& line : method.lines)
            std::cout << ' ' << line;
        std::cout << '\n';
    }
    std::cout << "modules:\n";
    for (const veldris::FirmwareModule& m : package.modules())
        std::cout << "  " << m.name << ": type " << m.type << ", version " << m.version << ", device " << m.device << ", ui "
                  << m.ui << ", " << m.imageSize() << " bytes\n";
}

} // namespace

CLI::App* PackageCommand::add(CLI::App& app)
{
    CLI::App* package = app.add_subcommand("package", "firmware packages (.kfu)");
    package->require_subcommand(1);
    package->add_subcommand("show", "the package version, methods and modules of FILE")
        ->add_option("file", path, "firmware package")
        ->required();
    return package;
}

int PackageCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::FirmwarePackage package;
    const std::string error = package.loadPackage(path);
    if (!error.empty()) {
        std::cerr << "veldris-cli: " << path << ": " << error << '\n';
        return exitUsage;
    }
    if (!options.json) {
        printText(package);
        return exitDone;
    }
    nlohmann::json methods = nlohmann::json::array(), modules = nlohmann::json::array();
    for (const veldris::HandlingModule& method : package.methods())
        methods.push_back({{"name", method.name}, {"modules", method.lines}});
    for (const veldris::FirmwareModule& module : package.modules())
        modules.push_back(moduleJson(module));
    printJson(nlohmann::json{{"version", package.version()}, {"methods", methods}, {"modules", modules}});
    return exitDone;
}
