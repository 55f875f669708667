// Renders the main window in one language to PNG files, for the README's and the manuals'
// pictures. Run it with QT_QPA_PLATFORM=offscreen on a machine without a display.
//   veldris-screenshot DIST_DIR LANGUAGE OUT.png [PAGE [NODE]]
//     one picture; with NODE the window connects to that sensor of the bus simulator first
//     (and on the CRC page loads its SRDO configuration)
//   veldris-screenshot DIST_DIR LANGUAGE --manual OUTDIR
//     every page, each after its work on the simulated bus (basic, crc, errorlog, diagnose,
//     firmware, dcf .png): about twenty seconds
// DIST_DIR is the run folder whose catalogues, description file and samples are used; its
// settings stay untouched.

#include "app/AppState.h"
#include "app/DropDownCombo.h"
#include "app/TVeldrisForm.h"
#include "app/UiServices.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "common/DataDirectory.h"
#include "common/Settings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <deque>

namespace {

// Answers the file dialogs with the paths given in turn and keeps message boxes away.
class ScriptedDialogs : public UiServices {
public:
    ScriptedDialogs() { setUiServices(this); }
    ~ScriptedDialogs() override { setUiServices(nullptr); }

    std::deque<QString> files;

    void showMessage(QWidget*, const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    void showError(QWidget*, const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    void showErrorBox(const QString&, const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
    QString runFileDialog(QFileDialog*) override
    {
        if (files.empty())
            return {};
        const QString path = files.front();
        files.pop_front();
        return path;
    }
    int runModal(QDialog*) override { return 0; }
    bool openDocument(const QString&) override { return false; }
};

void showPage(TVeldrisForm& form, int index)
{
    form.TabTreeView->setCurrentItem(form.TabTreeView->topLevelItem(index));
    form.TabTreeView_OnClick();
    QApplication::processEvents();
}

bool save(TVeldrisForm& form, const QString& path)
{
    QApplication::processEvents();
    if (form.grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

void choose(TVeldrisForm& form, const QString& node)
{
    veldris::openBus(form.app.client(), 0, form.BitrateCombo->currentIndex());
    form.NodeIDCombo->clear();
    form.NodeIDCombo->addItems({QStringLiteral("5"), QStringLiteral("32")});
    form.nodesFound = true;
    form.NodeIDCombo->setCurrentIndex(form.NodeIDCombo->findText(node));
    form.NodeIDCombo_OnCloseup();
}

// The pages in the order of the page tree, each after its work: a connected safety sensor,
// its SRDO configuration, its error log, its diagnosis, a firmware update, a DCF written into
// the other sensor.
int manualPictures(TVeldrisForm& form, const QString& dist, const QString& folder)
{
    ScriptedDialogs dialogs;
    QDir().mkpath(folder);
    choose(form, QStringLiteral("5"));
    bool saved = save(form, folder + QStringLiteral("/basic.png"));
    showPage(form, 1);
    form.CRCLoadBtn->click();
    saved = save(form, folder + QStringLiteral("/crc.png")) && saved;
    showPage(form, 4);
    form.ErrorLogReadBtn->click();
    saved = save(form, folder + QStringLiteral("/errorlog.png")) && saved;
    showPage(form, 5);
    form.DiagnoseStartBtn->click();
    saved = save(form, folder + QStringLiteral("/diagnose.png")) && saved;
    showPage(form, 3);
    dialogs.files.push_back(dist + QStringLiteral("/samples/veldris-sample.kfu"));
    form.FWLoadBtn->click();
    form.MethodSelectionCombo->setCurrentIndex(0);
    form.MethodSelectionCombo_OnCloseup();
    form.FWUpdateBtn->click();
    saved = save(form, folder + QStringLiteral("/firmware.png")) && saved;
    choose(form, QStringLiteral("32"));
    showPage(form, 2);
    dialogs.files.push_back(dist + QStringLiteral("/samples/node32.dcf"));
    form.DCFLoadBtn->click();
    form.DCFUpdateBtn->click();
    saved = save(form, folder + QStringLiteral("/dcf.png")) && saved;
    return saved ? 0 : 1;
}

int onePicture(TVeldrisForm& form, const QStringList& arguments)
{
    if (arguments.size() > 5) {
        choose(form, arguments[5]);
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
    return save(form, arguments[3]) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 4) {
        std::fputs("usage: veldris-screenshot DIST_DIR LANGUAGE OUT.png [PAGE [NODE]]\n"
                   "       veldris-screenshot DIST_DIR LANGUAGE --manual OUTDIR\n",
                   stderr);
        return 2;
    }
    const QString dist = arguments[1];
    const bool manual = arguments[3] == QLatin1String("--manual") && arguments.size() > 4;
    QTemporaryDir data;
    QDir(data.path()).mkpath(QStringLiteral("config"));
    QDir(data.path()).mkpath(QStringLiteral("lang"));
    const QDir catalogues(dist + QStringLiteral("/lang"));
    for (const QString& name : catalogues.entryList({QStringLiteral("*.po")}))
        QFile::copy(catalogues.filePath(name), data.path() + QStringLiteral("/lang/") + name);
    QFile::copy(dist + QStringLiteral("/canopen.dev"), data.path() + QStringLiteral("/canopen.dev"));
    const veldris::DataDirectory folder(data.path().toStdString());
    veldris::saveLanguageSetting(folder.path(veldris::settingsFile), arguments[2].toStdString());

    if (manual || arguments.size() > 5)
        qputenv("VELDRIS_PCANBASIC", (dist + QStringLiteral("/libpcanbasic-sim.so")).toLocal8Bit());
    AppState state(folder);
    TVeldrisForm form(state);
    form.resize(900, 640);
    form.show();
    return manual ? manualPictures(form, dist, arguments[4]) : onePicture(form, arguments);
}
