// The binding of the adapter library: missing or incomplete libraries, and the driver's
// refusal of channels it does not have.

#include "can/AdapterChoice.h"
#include "can/AdapterNotifier.h"
#include "can/PCANBasicLibrary.h"
#include "can/PCANDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace veldris;

// A missing library, or one that lacks an entry point, is not used: every call is refused
// without reaching it (all go through one guard: a few stand for the fourteen), and the
// failure is reported at each load. A driver over it has no channels, refuses every channel
// call and leaves the frame it was given as it was.
TEST(PCANBasicLibrary, UnusableLibraryIsReportedAtEachLoadAndEveryCallRefused)
{
    const std::pair<const char*, std::string> cases[] = {
        {"/nonexistent/libpcanbasic.so", "Error! Error: \"Unable to find the DLL PCANBasic.dll!\""},
        {VELDRIS_INCOMPLETE_LIBRARY, "Error! Error: \"DLL functions could not be loaded!\""}};
    for (const auto& [path, notice] : cases) {
        SCOPED_TRACE(path);
        ::setenv(libraryVariable, path, 1);
        std::vector<std::string> notices; // shown to the user: caption and first line
        const AdapterNotifier notifier = [&](const std::string& caption, const std::string& text) {
            notices.push_back(caption + " " + text.substr(0, text.find('\n')));
        };
        {
            PCANBasicLibrary library(notifier);
            EXPECT_FALSE(library.loaded());
            std::uint32_t value = 0;
            EXPECT_EQ(library.initialize(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::errorUnknown);
            EXPECT_EQ(library.read(pcan::usbBus1, nullptr, nullptr), pcan::errorUnknown);
            EXPECT_EQ(library.write(pcan::usbBus1, nullptr), pcan::errorUnknown);
            EXPECT_EQ(library.getValue(pcan::noneBus, pcan::attachedChannelsCount, &value, 4), pcan::errorUnknown);
            EXPECT_EQ(notices, std::vector<std::string>{notice});
        }
        PCANDriver driver(AdapterHooks{notifier, nullptr});
        EXPECT_EQ(notices, std::vector<std::string>(2, notice));
        EXPECT_EQ(driver.channelCount(), 0u);
        CanFrame frame{.identifier = 0x123};
        EXPECT_EQ(driver.initialize(0, pcan::baud125K, 0, 0, 3), pcan::errorUnknown);
        EXPECT_EQ(driver.read(0, frame), pcan::errorUnknown);
        EXPECT_EQ(driver.write(0, frame), pcan::errorUnknown);
        EXPECT_EQ(frame.identifier, 0x123u);
    }
    ::unsetenv(libraryVariable);
}

// --adapter: what each value chooses, and the library and interfaces it puts into effect.
TEST(AdapterChoice, AdapterNamesAndTheirConflicts)
{
    struct Case {
        std::string value;
        std::string error;      // of takeAdapterName, else of adapterChoiceConflict
        const char* interfaces; // $VELDRIS_SOCKETCAN afterwards; nullptr: unset
        bool simulate = false;
    } const cases[] = {
        {"socketcan:can0,vcan0", "", "can0,vcan0"},
        {"pcan", "", nullptr},
        {"socketcan:can0,", "--adapter socketcan: names no interface after ':'", nullptr},
        {"can0", "--adapter takes pcan or socketcan[:INTERFACE], not \"can0\"", nullptr},
        {"socketcan", "--adapter socketcan and --simulate exclude each other", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ::unsetenv(libraryVariable);
        ::unsetenv(socketcanVariable);
        AdapterChoice choice;
        choice.simulate = c.simulate;
        std::string error = takeAdapterName(c.value, choice);
        if (error.empty())
            error = adapterChoiceConflict(choice);
        EXPECT_EQ(error, c.error);
        if (!error.empty())
            continue;
        applyAdapterChoice(choice, "/opt/veldris/bin");
        const char* library = std::getenv(libraryVariable);
        EXPECT_EQ(library ? std::string(library) : std::string(),
                  c.value == "pcan" ? std::string() : std::string("/opt/veldris/bin/libpcanbasic-socketcan.so"));
        const char* interfaces = std::getenv(socketcanVariable);
        EXPECT_EQ(interfaces ? std::string(interfaces) : "unset", c.interfaces ? c.interfaces : "unset");
    }
    ::unsetenv(libraryVariable);
    ::unsetenv(socketcanVariable);
}
