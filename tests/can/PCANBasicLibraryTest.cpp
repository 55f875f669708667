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

namespace {

struct Notices {
    std::vector<std::string> texts;
    Notices()
    {
        setAdapterNotifier([this](const std::string& caption, const std::string& text) {
            texts.push_back(caption + " " + text.substr(0, text.find('\n')));
        });
    }
    ~Notices() { setAdapterNotifier(nullptr); }
};

struct LibraryChoice {
    explicit LibraryChoice(const char* path) { ::setenv(libraryVariable, path, 1); }
    ~LibraryChoice() { ::unsetenv(libraryVariable); }
};

void expectEveryCallRefused(PCANBasicLibrary& library)
{
    pcan::Message message{};
    pcan::Timestamp stamp{};
    std::uint32_t value = 0;
    char text[256];
    pcan::Handle found = 0;
    EXPECT_EQ(library.initialize(pcan::usbBus1, pcan::baud125K, 0, 0, 3), pcan::errorUnknown);
    EXPECT_EQ(library.initializeFD(pcan::usbBus1, nullptr), pcan::errorUnknown);
    EXPECT_EQ(library.uninitialize(pcan::usbBus1), pcan::errorUnknown);
    EXPECT_EQ(library.reset(pcan::usbBus1), pcan::errorUnknown);
    EXPECT_EQ(library.getStatus(pcan::usbBus1), pcan::errorUnknown);
    EXPECT_EQ(library.read(pcan::usbBus1, &message, &stamp), pcan::errorUnknown);
    EXPECT_EQ(library.readFD(pcan::usbBus1, nullptr, nullptr), pcan::errorUnknown);
    EXPECT_EQ(library.write(pcan::usbBus1, &message), pcan::errorUnknown);
    EXPECT_EQ(library.writeFD(pcan::usbBus1, nullptr), pcan::errorUnknown);
    EXPECT_EQ(library.filterMessages(pcan::usbBus1, 0, 0x7FF, 0), pcan::errorUnknown);
    EXPECT_EQ(library.getValue(pcan::noneBus, pcan::attachedChannelsCount, &value, 4), pcan::errorUnknown);
    EXPECT_EQ(library.setValue(pcan::usbBus1, pcan::allowErrorFrames, &value, 4), pcan::errorUnknown);
    EXPECT_EQ(library.getErrorText(0, 9, text), pcan::errorUnknown);
    EXPECT_EQ(library.lookUpChannel(text, &found), pcan::errorUnknown);
}

} // namespace

// A missing library, or one that lacks an entry point, is not used, and is reported at each load.
TEST(PCANBasicLibrary, UnusableLibraryIsReportedOncePerLoad)
{
    const std::pair<const char*, std::string> cases[] = {
        {"/nonexistent/libpcanbasic.so", "Error! Error: \"Unable to find the DLL PCANBasic.dll!\""},
        {VELDRIS_INCOMPLETE_LIBRARY, "Error! Error: \"DLL functions could not be loaded!\""}};
    for (const auto& [path, notice] : cases) {
        SCOPED_TRACE(path);
        Notices notices;
        LibraryChoice choice(path);
        {
            PCANBasicLibrary library;
            EXPECT_FALSE(library.loaded());
            expectEveryCallRefused(library);
            EXPECT_EQ(notices.texts, std::vector<std::string>{notice});
        }
        PCANBasicLibrary again;
        EXPECT_EQ(notices.texts, std::vector<std::string>(2, notice));
    }
}

TEST(PCANDriver, WithoutLibraryNoChannelsAndEveryChannelCallRefused)
{
    Notices notices;
    LibraryChoice choice("/nonexistent/libpcanbasic.so");
    PCANDriver driver;
    EXPECT_EQ(driver.channelCount(), 0u);
    CanFrame frame;
    frame.identifier = 0x123;
    EXPECT_EQ(driver.initialize(0, pcan::baud125K, 0, 0, 3), pcan::errorUnknown);
    EXPECT_EQ(driver.read(0, frame), pcan::errorUnknown);
    EXPECT_EQ(driver.write(0, frame), pcan::errorUnknown);
    EXPECT_EQ(driver.reset(3), pcan::errorUnknown);
    EXPECT_EQ(frame.identifier, 0x123u); // left as it was
    EXPECT_TRUE(driver.startReceiveThread(0));
    EXPECT_FALSE(driver.startReceiveThread(0));
    EXPECT_TRUE(driver.stopReceiveThread());
    EXPECT_FALSE(driver.stopReceiveThread());
}
