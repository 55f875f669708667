#pragma once

#include "can/AdapterChoice.h"

#include <CLI/CLI.hpp>

#include <string>

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

// Puts the options into effect before any command runs: adapter library or simulator, trace
// file, and the language of translated messages.
void applyGlobalOptions(const GlobalOptions& options, const std::string& executableDirectory);
