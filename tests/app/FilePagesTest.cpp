// The DCF and FW Update pages' file handlers: opening a DCF, opening a firmware package, choosing
// a method and the "Force" option.

#include "app/DropDownCombo.h"
#include "app/TVeldrisForm.h"
#include "dcf/DCFFile.h"
#include "errorlog/ErrorLog.h"
#include "sim/ErrorLogMemory.h"

#include "FakeUiServices.h"
#include "GuiFixture.h"
#include "GuiTestData.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <memory>

class FilePagesTest : public QObject, private GuiFixture {
    Q_OBJECT

    void openPackage(const QString& path)
    {
        ui->fileAnswers.push_back(path);
        form->FWLoadBtn->click();
    }

private slots:
    void init() { setUp(false); }
    void cleanup() { tearDown(); }

    void openingADcf()
    {
        const QString sample = QStringLiteral(VELDRIS_DIST_DIR "/samples/node5.dcf");
        ui->fileAnswers.push_back(sample);
        form->DCFLoadBtn->click();
        QVERIFY(form->dcfLoaded);
        QCOMPARE(form->DCFFilepathInput->text(), sample);
        QCOMPARE(form->DCFFilepathInput->toolTip(), sample);
        QCOMPARE(veldris::dcfFile().sections().size(), std::size_t{4});
        QVERIFY(!form->DCFUpdateBtn->isEnabled()); // no sensor yet
        form->showConnectedState();
        QVERIFY(form->DCFUpdateBtn->isEnabled());

        // A file without any section header: reported, "Write" disabled, the sections gone.
        ui->fileAnswers.push_back(QStringLiteral(VELDRIS_DIST_DIR "/lang/en.po"));
        form->DCFLoadBtn->click();
        QVERIFY(!form->dcfLoaded);
        QVERIFY(!form->DCFUpdateBtn->isEnabled());
        QVERIFY(veldris::dcfFile().sections().empty());
        QCOMPARE(form->DCFOutput->toPlainText(), QStringLiteral("An error occured during DCF parsing"));
    }

    void openingAnErrorLogListsItsRows()
    {
        veldris::ErrorLogDescriptor description;
        description.uid = "0x12345678";
        description.firmwareVersion = "2.1.0.3";
        description.pagesize = 0x100;
        description.pagecnt = 2;
        description.pageheader = "AFXXXXXX";
        description.errorstruct = "ETTVVXXX";
        description.list = 0xFFFFFFFF;
        description.ebit.assign(32, 9);    // "Überlast", unit %
        description.ibit.assign(32, 0x21); // signed, one decimal
        description.log = {1, 2, 3};
        const std::vector<std::uint8_t> memory = sim::buildErrorLogMemory(
            {0x2000, 0x100, 2, "ETTVVXXX", "AFXXXXXX", false}, {{0x43, 0, 0}, {3, 77, 2500}, {9, 78, 65036}});
        veldris::ErrorLog written;
        written.buildImage(description, memory);
        QVERIFY(written.save(data->dir.file("sensor.kel")));

        form->ErrorLogSaveBtn->setEnabled(true);
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.file("sensor.kel")));
        form->ErrorLogLoadBtn->click();
        QVERIFY(ui->messages.isEmpty());
        QVERIFY(!form->ErrorLogSaveBtn->isEnabled());
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 3);
        const QTreeWidgetItem* row = form->ErrorOutput->topLevelItem(1);
        QCOMPARE(row->text(0), QStringLiteral("77"));
        QCOMPARE(row->text(1), QStringLiteral("0x00000004"));
        QCOMPARE(row->text(2), QString::fromUtf8("Überlast"));
        QCOMPARE(row->text(3), QStringLiteral("250.0 %"));
        QCOMPARE(form->ErrorOutput->topLevelItem(2)->text(3), QStringLiteral("-50.0 %"));

        // A file that is no error log: the message, and no rows.
        ui->fileAnswers.push_back(QStringLiteral(VELDRIS_DIST_DIR "/samples/node5.dcf"));
        form->ErrorLogLoadBtn->click();
        QCOMPARE(ui->messages, QStringList{QStringLiteral("Errorlog not valid")});
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 0);
    }

    void statusMessagesOfTheErrorLogHandlers()
    {
        using Handler = TVeldrisForm::ErrorLogHandler;
        form->show();
        QVERIFY(form->showStatus(0, Handler::Read));
        QVERIFY(form->showStatus(-1, Handler::Read));
        QVERIFY(form->showStatus(-2, Handler::Open));
        QCOMPARE(ui->messages, QStringList({QStringLiteral("Errorlog missing"), QStringLiteral("Errorlog not valid")}));
        QVERIFY(form->isVisible());
        QVERIFY(!form->showStatus(-9, Handler::Read));
        QCOMPARE(ui->messages.last(), QStringLiteral("Major failure. Please contact support.\nCode: -9"));
        QVERIFY(!form->isVisible()); // the window closes after this message
        form->show();
        QVERIFY(!form->showStatus(-3, Handler::Open));
        QCOMPARE(ui->messages.last(), QStringLiteral("Config files are missing. \nPlease reinstall application!"));
        QVERIFY(!form->isVisible());
    }

    void savingTheErrorLog()
    {
        veldris::errorLog().buildImage({}, {1, 2, 3});
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.file("saved")));
        form->ErrorLogSaveBtnClick();
        QCOMPARE(data->dir.read("saved.kel").size(), std::size_t{259});
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.file("no/such/folder/log.kel")));
        form->ErrorLogSaveBtnClick();
        QCOMPARE(ui->messages.size(), 1);
        QVERIFY(ui->messages[0].startsWith(QStringLiteral("The error log could not be saved:")));
    }

    void openingAPackageOffersItsMethods()
    {
        openPackage(QStringLiteral(VELDRIS_DIST_DIR "/samples/veldris-sample.kfu"));
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

        // "Force" offers the update without a sensor, and only with a method chosen.
        form->FWForceCheckbox->setEnabled(true);
        form->FWForceCheckbox->click();
        QVERIFY(form->FWUpdateBtn->isEnabled());
        form->FWForceCheckbox->click();
        QVERIFY(!form->FWUpdateBtn->isEnabled());
        form->MethodSelectionCombo->setCurrentIndex(-1);
        form->FWForceCheckbox->click();
        QVERIFY(!form->FWUpdateBtn->isEnabled());
    }

    void aBadPackageIsReportedAndLeavesNoMethods()
    {
        openPackage(QStringLiteral(VELDRIS_DIST_DIR "/samples/veldris-sample.kfu"));
        openPackage(QStringLiteral(VELDRIS_DIST_DIR "/samples/node5.dcf"));
        QCOMPARE(ui->messages, QStringList{QStringLiteral("KFU file is out of date.")});
        QCOMPARE(form->MethodSelectionCombo->count(), 0);
        ui->fileAnswers.push_back(QString()); // cancelled: nothing changes
        form->FWLoadBtn->click();
        QCOMPARE(ui->messages.size(), 1);
    }
};

VELDRIS_GUI_TEST_MAIN(FilePagesTest)
#include "FilePagesTest.moc"
