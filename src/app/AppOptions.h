#pragma once

#include "can/AdapterChoice.h"

#include <QStringList>

// The window program's command line (after Qt took its own options):
//   --simulate[=SCENARIO]  --sim-state FILE  --trace FILE  --library NAME|PATH  --help  --version
struct AppOptions {
    veldris::AdapterChoice adapter;
    bool help = false;
    bool version = false;
    QString error; // what was wrong with the command line; empty when it was fine
};

AppOptions parseAppOptions(const QStringList& arguments); // arguments without the program name

QString appUsage();
