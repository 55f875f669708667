// Measures the firmware update against the simulated library, bus timing on, 125 kbit/s:
//  1. core: the data phase of a 64 KiB image (set address to the last data frame) against the
//     bus time of its frames: per 6 image bytes one 8-byte data frame and its 8-byte echo,
//     1.08 ms each on the bus;
//  2. busy: the same on a bus that two foreign nodes load to 75.6 % (0x080 every 2 ms, 0x0F0
//     every 5 ms, 8 bytes each), against the time the remaining 24.4 % of the bus allows;
//  3. window: the same update started with the window's "Update" button (offscreen); a 10 ms
//     timer records the longest time the window's event loop went without serving it.
// Usage: fw-bench SIM_LIBRARY [core|busy|window]

#include "app/AppState.h"
#include "app/DropDownCombo.h"
#include "app/TVeldrisApplication.h"
#include "app/TVeldrisForm.h"
#include "app/UiServices.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "common/Progress.h"
#include "firmware/FirmwareUpdate.h"
#include "sensor/SensorConnection.h"

#include "support/IntelHexText.h"
#include "support/ZipArchive.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t imageBytes = 64 * 1024;
constexpr double frameMs = 1.08; // an 8-byte standard frame at 125 kbit/s, stuffing included

std::string imageText()
{
    std::vector<std::uint8_t> bytes(imageBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return hexImage({{0x0000, bytes}});
}

double busSeconds()
{
    const std::size_t frames = (imageBytes + 5) / 6;
    return static_cast<double>(frames) * 2 * frameMs / 1000;
}

struct Silent : veldris::Progress {
    void addLine(const std::string&) override {}
    void setProgress(std::uint32_t) override {}
};

// The share of the bus that the busy scenario's foreign frames take.
constexpr double foreignLoad = frameMs / 2 + frameMs / 5;

int core(bool busy)
{
    veldris::CanOpenClient client;
    veldris::openBus(client, 0, 3);
    const veldris::SensorInfo sensor = veldris::connectToSensor(client, "5").sensor;
    veldris::FirmwareModule module;
    module.name = "bench.hex";
    module.type = "hex";
    module.device = "KVR200";
    module.ui = "06102200";
    const std::string text = imageText();
    module.image.assign(text.begin(), text.end());
    Silent progress;
    const veldris::ModuleUpdateResult result = veldris::FirmwareUpdate(client, sensor, false).update(&module, progress);
    const double allowed = busSeconds() / (1 - (busy ? foreignLoad : 0));
    // The bootloader's identifier 0x7F wins the arbitration against the foreign 0x080 and 0x0F0:
    // each of its frames waits at most for one foreign frame already on the bus.
    const double priorityBudget = busSeconds() * (busy ? 2 : 1);
    std::printf("%sdata phase of a 64 KiB image: %.2f s for %u frames (%u unechoed); bus time of its frames %.2f s, "
                "%.2f s in the free share of the bus; ratio %.3f (target <= 1.1)\n",
                busy ? "75.6 % foreign traffic: " : "", result.seconds, result.frames, result.unechoed, busSeconds(), allowed,
                result.seconds / allowed);
    if (busy)
        std::printf("  against its frames plus one foreign frame ahead of each (%.2f s): ratio %.3f\n", priorityBudget,
                    result.seconds / priorityBudget);
    return result.outcome == veldris::ModuleUpdateResult::Outcome::Updated ? 0 : 1;
}

// Answers the package's file dialog and shows no box.
class Answers : public UiServices {
public:
    explicit Answers(QString path) : package(std::move(path)) { setUiServices(this); }
    ~Answers() override { setUiServices(nullptr); }
    void showMessage(QWidget*, const QString& text) override { std::printf("message: %s\n", qPrintable(text)); }
    void showError(QWidget*, const QString& text) override { std::printf("error: %s\n", qPrintable(text)); }
    void showErrorBox(const QString&, const QString& text) override { std::printf("error: %s\n", qPrintable(text)); }
    bool askYesNo(QWidget*, const QString&, const QString&) override { return false; }
    QString runFileDialog(QFileDialog*) override { return package; }
    int runModal(QDialog*) override { return 0; }
    bool openDocument(const QString&) override { return false; }

private:
    QString package;
};

int window(int argc, char** argv)
{
    TVeldrisApplication application(argc, argv);
    const std::string path = "/tmp/veldris-fw-bench.zip";
    const std::vector<std::uint8_t> zip = zipOf({{"version.kmd", "version=2"},
                                                 {"bench.hex", imageText()},
                                                 {"bench.kmd", "type=hex\ndevice=KVR200\nui=06102200\n"},
                                                 {"Bench.kum", "bench.hex\n"}});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(zip.data()), static_cast<std::streamsize>(zip.size()));
    Answers answers(QString::fromStdString(path));
    AppState state(veldris::DataDirectory{});
    TVeldrisForm form(state);
    form.FWLoadBtn->click();
    veldris::openBus(state.client(), 0, 3);
    form.NodeIDCombo->addItem(QStringLiteral("5"));
    form.NodeIDCombo->setCurrentIndex(0);
    form.NodeIDCombo_OnCloseup();
    form.MethodSelectionCombo->setCurrentIndex(0);
    form.MethodSelectionCombo_OnCloseup();

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticker.start(10);
    form.FWUpdateBtn->click();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000;
    std::remove(path.c_str());
    std::printf("window: update of a 64 KiB image in %.1f s; the event loop went at most %lld ms without serving "
                "its 10 ms timer (target <= 150 ms)\n",
                seconds, static_cast<long long>(longest));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fw-bench SIM_LIBRARY [core|window]\n");
        return 2;
    }
    ::setenv("VELDRIS_PCANBASIC", argv[1], 1);
    ::unsetenv("VELDRIS_SIM_SCENARIO"); // the default scenario: node 5, bus timing on
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string part = argc > 2 ? argv[2] : "";
    if (part == "core")
        return core(false);
    if (part == "busy") {
        const std::string scenario = "/tmp/veldris-fw-bench-busy.ini";
        std::ofstream(scenario) << "[bus]\ntraffic.1 = 0x080 8 2\ntraffic.2 = 0x0F0 8 5\n[sensor node5]\nnode = 5\n"
                                   "uid = 0x06102200\nbootloaderId = KVR200\n";
        ::setenv("VELDRIS_SIM_SCENARIO", scenario.c_str(), 1);
        const int status = core(true);
        std::remove(scenario.c_str());
        return status;
    }
    if (part == "window")
        return window(argc, argv);
    const std::string self = std::string("\"") + argv[0] + "\" \"" + argv[1] + "\" ";
    return std::system((self + "core").c_str()) || std::system((self + "busy").c_str())
        || std::system((self + "window").c_str());
}
