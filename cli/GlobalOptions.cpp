#include "GlobalOptions.h"

#include "can/Bitrates.h"
#include "common/DataDirectory.h"
#include "common/MessageSlots.h"
#include "common/Settings.h"
#include "common/Translations.h"

#include <map>

namespace {

const std::map<std::string, std::string> catalogues = {{"de", "lang/de_DE.po"}, {"en", "lang/en.po"}, {"cn", "lang/cn.po"}};

} // namespace

int GlobalOptions::bitrateIndex() const
{
    return veldris::bitrateIndexOfKbit(bitrateKbit);
}

std::vector<int> offeredBitratesKbit()
{
    std::vector<int> kbit;
    for (const veldris::Bitrate& rate : veldris::bitrates)
        kbit.push_back(rate.kbit);
    return kbit;
}

void addGlobalOptions(CLI::App& app, GlobalOptions& options)
{
    veldris::AdapterChoice& adapter = options.adapter;
    app.add_option("--library", adapter.library,
                   "PCAN-Basic library to load (default: $VELDRIS_PCANBASIC, else libpcanbasic.so)");
    app.add_option_function<std::string>(
        "--adapter",
        [&adapter](const std::string& name) {
            if (const std::string error = veldris::takeAdapterName(name, adapter); !error.empty())
                throw CLI::ValidationError(error);
        },
        "socketcan[:IFACE]: Linux's own CAN interface IFACE (default can0, or $VELDRIS_SOCKETCAN) through the "
        "bundled SocketCAN library; pcan: the PCAN-Basic library (the default)");
    app.add_option_function<std::string>(
           "--simulate",
           [&adapter](const std::string& scenario) {
               adapter.simulate = true;
               adapter.scenario = scenario;
           },
           "use the bundled simulator; --simulate=SCENARIO names a scenario file")
        ->expected(0, 1)
        ->default_str("");
    app.add_option("--sim-state", adapter.simState,
                   "with --simulate: load the sensors' state from FILE if it exists, save it back at exit");
    app.add_option("--bitrate", options.bitrateKbit, "bit rate in kbit/s: 1000, 500, 250, 125, 50 or 20")
        ->check(CLI::IsMember(offeredBitratesKbit()));
    app.add_option("--node", options.node, "node ID of the sensor")->check(CLI::Range(0, 127));
    app.add_option("--trace", adapter.tracePath,
                   "record every frame: FILE.log (candump), FILE.pcap (Wireshark) or FILE.trc (PEAK trace 2.1)");
    app.add_flag("--json", options.json, "print the result as one JSON document");
    app.add_option("--lang", options.language, "language of translated messages")->check(CLI::IsMember({"de", "en", "cn"}));
    app.add_flag("--version", options.version, "print the version and exit");
}

void applyGlobalOptions(const GlobalOptions& options, const std::string& executableDirectory,
                        const veldris::DataDirectory& data, veldris::Translations& translations)
{
    veldris::applyAdapterChoice(options.adapter, executableDirectory);

    std::string language = options.language;
    if (language.empty())
        language = veldris::loadLanguageSetting(data.settingsPath()).value_or("");
    const auto catalogue = catalogues.find(language);
    if (catalogue != catalogues.end())
        translations.load(data.path(catalogue->second));
}
