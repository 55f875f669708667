// Renders the main window in one language to a PNG file, for the README's pictures.
//   veldris-screenshot DIST_DIR LANGUAGE OUT.png [PAGE [NODE]]
// DIST_DIR is the run folder whose lang/ catalogues are used; its settings stay untouched.
// With NODE, the window connects to that sensor of the bus simulator first (and on the CRC
// page loads its SRDO configuration).
// Run it with QT_QPA_PLATFORM=offscreen on a machine without a display.

#include "app/DropDownCombo.h"
#include "app/TVeldrisForm.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "common/DataDirectory.h"
#include "common/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 4) {
        std::fputs("usage: veldris-screenshot DIST_DIR LANGUAGE OUT.png [PAGE]\n", stderr);
        return 2;
    }
    QTemporaryDir data;
    QDir(data.path()).mkpath(QStringLiteral("config"));
    QDir(data.path()).mkpath(QStringLiteral("lang"));
    const QDir catalogues(arguments[1] + QStringLiteral("/lang"));
    for (const QString& name : catalogues.entryList({QStringLiteral("*.po")}))
        QFile::copy(catalogues.filePath(name), data.path() + QStringLiteral("/lang/") + name);
    veldris::setDataDirectory(data.path().toStdString());
    veldris::saveLanguageSetting(veldris::dataPath(veldris::settingsFile), arguments[2].toStdString());

    if (arguments.size() > 5)
        qputenv("VELDRIS_PCANBASIC", (arguments[1] + QStringLiteral("/libpcanbasic-sim.so")).toLocal8Bit());
    TVeldrisForm form;
    form.resize(900, 640);
    form.show();
    if (arguments.size() > 5) {
        veldris::openBus(veldris::canOpenClient(), 0, form.BitrateCombo->currentIndex());
        form.NodeIDCombo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        form.nodesFound = true;
        form.NodeIDCombo->setCurrentIndex(form.NodeIDCombo->findText(arguments[5]));
        form.NodeIDCombo_OnCloseup();
        if (arguments[4] == QLatin1String("CRC"))
            form.CRCLoadBtn->click();
    }
    if (arguments.size() > 4) {
        const auto items = form.TabTreeView->findItems(arguments[4], Qt::MatchExactly);
        if (!items.isEmpty()) {
            form.TabTreeView->setCurrentItem(items.constFirst());
            form.TabTreeView_OnClick();
        }
    }
    QApplication::processEvents();
    if (!form.grab().save(arguments[3])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[3]));
        return 1;
    }
    return 0;
}
