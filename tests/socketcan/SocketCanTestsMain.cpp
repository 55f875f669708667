// The tests of libpcanbasic-socketcan.so: the program's adapter choice names the library, as
// VELDRIS_PCANBASIC would, before any client exists; the clients that record a trace write it
// into this run's folder.

#include "SocketCanTests.h"

#include "can/AdapterChoice.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace {
TemporaryDirectory* traceDirectory = nullptr;
}

const std::string& socketCanTracePath()
{
    static const std::string path = traceDirectory->file("bus.log");
    return path;
}

int main(int argc, char** argv)
{
    TemporaryDirectory directory;
    traceDirectory = &directory;
    veldris::AdapterChoice choice;
    choice.library = VELDRIS_SOCKETCAN_LIBRARY;
    veldris::applyAdapterChoice(choice, directory.path());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
