#pragma once

#include "can/AdapterChoice.h"

#include <CLI/CLI.hpp>

namespace veldris {
class DataDirectory;
class Translations;
}

#include <string>
#include <vector>

// The options every command takes.
struct GlobalOptions {
    veldris::AdapterChoice adapter;
    int bitrateKbit = 125;
    int node = -1; // -1: not given
    bool json = false;
    std::string language; // "de", "en", "cn"; empty: the one in config/settings.ini
    bool version = false;

    // The adapter's bit-rate index (0 = 1000 kbit/s ... 5 = 20 kbit/s) of bitrateKbit.
    int bitrateIndex() const;
};

void addGlobalOptions(CLI::App& app, GlobalOptions& options);

// 1000, 500, 250, 125, 50, 20: the bit rates of --bitrate and set-bitrate [kbit/s].
std::vector<int> offeredBitratesKbit();

// Puts the options into effect before any command runs: adapter library or simulator, trace
// file, and the language of translated messages.
// The catalogue of the language (from the data folder) goes into `translations`.
void applyGlobalOptions(const GlobalOptions& options, const std::string& executableDirectory,
                        const veldris::DataDirectory& data, veldris::Translations& translations);
