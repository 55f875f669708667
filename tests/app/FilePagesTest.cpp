// The file handlers of the DCF, Error Log and FW Update pages: opening a DCF, opening and saving
// an error log, opening a firmware package, choosing a method and the "Force" option.

#include "dcf/DCFFile.h"
#include "errorlog/ErrorLog.h"
#include "sim/ErrorLogMemory.h"

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
        QVERIFY(form->dcfLoaded);
        QCOMPARE(form->DCFFilepathInput->text(), sampleDcf);
        QCOMPARE(form->DCFFilepathInput->toolTip(), sampleDcf);
        QVERIFY(!form->DCFUpdateBtn->isEnabled()); // no sensor yet
        form->showConnectedState();
        QVERIFY(form->DCFUpdateBtn->isEnabled());

        open(form->DCFLoadBtn, QStringLiteral(VELDRIS_DIST_DIR "/lang/en.po"));
        QVERIFY(!form->dcfLoaded && !form->DCFUpdateBtn->isEnabled());
        QVERIFY(veldris::dcfFile().sections().empty());
        QCOMPARE(form->DCFOutput->toPlainText(), QStringLiteral("An error occured during DCF parsing"));
    }

    // An opened log lists its rows (Save stays off: only a readout offers it); saved under a
    // name without extension it becomes a .kel that opens with the same rows. A file that is no
    // error log, and a folder that does not exist, are reported.
    void openingAndSavingAnErrorLog()
    {
        const veldris::ErrorLogDescriptor description{
            .uid = "0x12345678", .firmwareVersion = "2.1.0.3", .pagesize = 0x100, .pagecnt = 2,
            .pageheader = "AFXXXXXX", .errorstruct = "ETTVVXXX", .list = 0xFFFFFFFF,
            .ebit = std::vector<std::int32_t>(32, 9),    // "Überlast", unit %
            .ibit = std::vector<std::int32_t>(32, 0x21), // signed, one decimal
            .log = {1, 2, 3}};
        veldris::ErrorLog written;
        written.buildImage(description, sim::buildErrorLogMemory({0x2000, 0x100, 2, "ETTVVXXX", "AFXXXXXX", false},
                                                                 {{0x43, 0, 0}, {3, 77, 2500}, {9, 78, 65036}}));
        QVERIFY(written.save(data->dir.file("sensor.kel")));

        form->ErrorLogSaveBtn->setEnabled(true);
        open(form->ErrorLogLoadBtn, QString::fromStdString(data->dir.file("sensor.kel")));
        QVERIFY(!form->ErrorLogSaveBtn->isEnabled());
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 3);
        const QTreeWidgetItem* row = form->ErrorOutput->topLevelItem(1);
        QCOMPARE(QStringList({row->text(0), row->text(1), row->text(2), row->text(3)}),
                 QStringList({"77", "0x00000004", QString::fromUtf8("Überlast"), "250.0 %"}));

        ui->fileAnswers = {QString::fromStdString(data->dir.file("saved")), QString::fromStdString(data->dir.file("saved.kel"))};
        form->ErrorLogSaveBtnClick();
        form->ErrorLogLoadBtn->click();
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 3);
        QCOMPARE(form->ErrorOutput->topLevelItem(2)->text(3), QStringLiteral("-50.0 %"));
        QVERIFY(ui->messages.isEmpty());

        open(form->ErrorLogLoadBtn, sampleDcf);
        QCOMPARE(ui->messages, QStringList{QStringLiteral("Errorlog not valid")});
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 0);
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.file("no/such/folder/log.kel")));
        form->ErrorLogSaveBtnClick();
        QVERIFY(ui->messages.last().startsWith(QStringLiteral("The error log could not be saved:")));
    }

    void statusMessagesOfTheErrorLogHandlers()
    {
        using Handler = TVeldrisForm::ErrorLogHandler;
        QVERIFY(form->showStatus(0, Handler::Read));
        QVERIFY(form->showStatus(-1, Handler::Read)); // -2 ("Errorlog not valid"): the .dcf opened above
        QCOMPARE(ui->messages, QStringList{QStringLiteral("Errorlog missing")});
        QVERIFY(form->isVisible());
        QVERIFY(!form->showStatus(-9, Handler::Read));
        QCOMPARE(ui->messages.last(), QStringLiteral("Major failure. Please contact support.\nCode: -9"));
        QVERIFY(!form->isVisible()); // the window closes after this message
        form->show();
        QVERIFY(!form->showStatus(-3, Handler::Open));
        QCOMPARE(ui->messages.last(), QStringLiteral("Config files are missing. \nPlease reinstall application!"));
        QVERIFY(!form->isVisible());
    }

    // A package offers its methods, none chosen; "Force" offers the update without a sensor,
    // only with a method chosen. A bad package is reported and leaves no methods.
    void openingAPackageOffersItsMethods()
    {
        open(form->FWLoadBtn, samplePackage);
        QVERIFY(ui->messages.isEmpty());
        QVERIFY(form->MethodSelectionCombo->isEnabled());
        QCOMPARE(form->MethodSelectionCombo->count(), 2);
        QCOMPARE(form->MethodSelectionCombo->itemText(0), QStringLiteral("Safety sensor KVR200"));
        QCOMPARE(form->MethodSelectionCombo->currentIndex(), -1);
        QVERIFY(!form->FWUpdateBtn->isEnabled());

        form->MethodSelectionCombo->setCurrentIndex(1);
        form->MethodSelectionCombo_OnCloseup();
        QCOMPARE(form->FWUpdateOutput->toPlainText(), QStringLiteral("version: 2.2.0.0"));
        QVERIFY(!form->FWUpdateBtn->isEnabled()); // no sensor chosen, no force
        form->FWForceCheckbox->setEnabled(true);
        form->FWForceCheckbox->click();
        QVERIFY(form->FWUpdateBtn->isEnabled());
        form->FWForceCheckbox->click();
        QVERIFY(!form->FWUpdateBtn->isEnabled());
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

int main(int argc, char** argv) { return runGuiTest<FilePagesTest>(argc, argv); }
#include "FilePagesTest.moc"
