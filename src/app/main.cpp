// Entry point of the window program.

#include "app/AppOptions.h"
#include "app/AppState.h"
#include "app/TVeldrisApplication.h"
#include "app/TVeldrisForm.h"
#include "app/UiServices.h"
#include "can/BusTrace.h"
#include "common/DataDirectory.h"
#include "common/VersionInfo.h"

#include <QProcessEnvironment>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

bool platformChosen(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    return environment.contains(QStringLiteral("QT_QPA_PLATFORM"));
}

bool displayAvailable()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    return !environment.value(QStringLiteral("DISPLAY")).isEmpty()
        || !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
}

bool wantsTextOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--version"))
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (!platformChosen(argc, argv) && !displayAvailable() && !wantsTextOnly(argc, argv)) {
        std::fputs("veldris: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "Start it from a desktop session, or on a machine without one under a virtual\n"
                   "display: apt-get install xvfb, then  xvfb-run -a ./scripts/run.sh\n",
                   stderr);
        return 1;
    }
    if (wantsTextOnly(argc, argv) && !platformChosen(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // --help and --version need no window

    TVeldrisApplication application(argc, argv);
    try {
        const AppOptions options = parseAppOptions(application.arguments().mid(1));
        if (!options.error.isEmpty()) {
            std::fprintf(stderr, "veldris: %s\n\n%s", qPrintable(options.error), qPrintable(appUsage()));
            return 2;
        }
        if (options.help || options.version) {
            std::fputs(options.help ? qPrintable(appUsage()) : (veldris::versionValue("FileVersion") + "\n").c_str(), stdout);
            return 0;
        }
        const std::string directory = QCoreApplication::applicationDirPath().toStdString();
        veldris::applyAdapterChoice(options.adapter, directory);
        veldris::AdapterHooks hooks;
        hooks.notifier = [](const std::string& caption, const std::string& text) {
            const QString boxCaption = QString::fromStdString(caption), boxText = QString::fromStdString(text);
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                uiServices().showErrorBox(boxCaption, boxText);
            else // a worker (the firmware update) opened the bus: only the window's thread shows boxes
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [boxCaption, boxText] { uiServices().showErrorBox(boxCaption, boxText); },
                    Qt::QueuedConnection);
        };
        if (!options.adapter.tracePath.empty())
            hooks.trace = std::make_shared<veldris::BusTrace>(options.adapter.tracePath);

        AppState state(veldris::DataDirectory(veldris::findDataDirectory(directory)), std::move(hooks));
        TVeldrisForm form(state);
        form.show();
        return application.exec();
    } catch (const std::exception& error) {
        showException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showException(QString());
    }
    return 1; // an error escaped the start or the message loop: shown, then the program ends
}
