#pragma once

// Exit statuses of veldris-cli.
enum ExitStatus : int {
    exitDone = 0,
    exitRefused = 1,   // the sensor or the bus refused or did not answer
    exitUsage = 2,     // bad usage or a bad input file
    exitNoAdapter = 3, // the adapter could not be opened
};
