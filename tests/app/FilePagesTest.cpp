// The file handlers of the DCF, Error Log and FW Update pages: opening a DCF, the error-log
// failures, opening a firmware package, choosing a method and the "Force" option.

#include "dcf/DCFFile.h"

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const QString sampleDcf = QStringLiteral(VELDRIS_DIST_DIR "/samples/node5.dcf");
const QString samplePackage = QStringLiteral(VELDRIS_DIST_DIR "/samples/veldris-sample.kfu");

} // namespace

class FilePagesTest : public QObject, private GuiFixture {
    Q_OBJECT

    // Clicks `button`, whose file dialog answers `path` (empty: cancelled).
    void open(QPushButton* button, const QString& path)
    {
        ui->fileAnswers.push_back(path);
        button->click();
    }

private slots:
    void init() { setUp(); }

    // A DCF offers "Write" once a sensor is chosen; a file without any section header is
    // reported, disables "Write" and drops the sections.
    void openingADcf()
    {
        open(form->DCFLoadBtn, sampleDcf);
        QCOMPARE(form->DCFFilepathInput->text(), sampleDcf);
        form->showConnectedState();
        QVERIFY(form->DCFUpdateBtn->isEnabled());

        open(form->DCFLoadBtn, QStringLiteral(VELDRIS_DIST_DIR "/lang/en.po"));
        QVERIFY(!form->dcfLoaded && !form->DCFUpdateBtn->isEnabled());
        QVERIFY(state->dcf.sections().empty());
        QCOMPARE(form->DCFOutput->toPlainText(), QStringLiteral("An error occured during DCF parsing"));
    }

    // A file that is no error log, and a missing log, are only reported; an unknown status is
    // fatal: reported, then the window closes.
    void errorLogFailures()
    {
        open(form->ErrorLogLoadBtn, sampleDcf);
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 0);
        QVERIFY(form->showStatus(-1, TVeldrisForm::ErrorLogHandler::Read));
        QCOMPARE(ui->messages, QStringList({"Errorlog not valid", "Errorlog missing"}));
        QVERIFY(form->isVisible());
        QVERIFY(!form->showStatus(-9, TVeldrisForm::ErrorLogHandler::Read));
        QCOMPARE(ui->messages.last(), QStringLiteral("Major failure. Please contact support.\nCode: -9"));
        QVERIFY(!form->isVisible());
    }

    // A package offers its methods, none chosen; "Force" offers the update without a sensor,
    // only with a method chosen. A bad package is reported and leaves no methods.
    void openingAPackageOffersItsMethods()
    {
        open(form->FWLoadBtn, samplePackage);
        QVERIFY(form->MethodSelectionCombo->isEnabled() && form->MethodSelectionCombo->currentIndex() == -1);
        QCOMPARE(form->MethodSelectionCombo->count(), 2);
        form->MethodSelectionCombo->setCurrentIndex(1);
        form->MethodSelectionCombo_OnCloseup();
        QCOMPARE(form->FWUpdateOutput->toPlainText(), QStringLiteral("version: 2.2.0.0"));
        QVERIFY(!form->FWUpdateBtn->isEnabled()); // no sensor chosen, no force
        form->FWForceCheckbox->setEnabled(true);
        form->FWForceCheckbox->click();
        QVERIFY(form->FWUpdateBtn->isEnabled());
        form->FWForceCheckbox->click();
        form->MethodSelectionCombo->setCurrentIndex(-1);
        form->FWForceCheckbox->click();
        QVERIFY(!form->FWUpdateBtn->isEnabled());

        open(form->FWLoadBtn, sampleDcf);
        QCOMPARE(ui->messages, QStringList{QStringLiteral("KFU file is out of date.")});
        QCOMPARE(form->MethodSelectionCombo->count(), 0);
        open(form->FWLoadBtn, QString()); // cancelled: nothing changes
        QCOMPARE(ui->messages.size(), 1);
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<FilePagesTest>(argc, argv);
}
#include "FilePagesTest.moc"
