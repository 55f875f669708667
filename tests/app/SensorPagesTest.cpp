// The Basic, Controls and CRC pages against the simulated sensors of the default scenario:
// choosing a node, the identity shown, the node-ID and bit-rate changes with their messages,
// the parameter buttons and the SRDO checksum.

#include "app/DropDownCombo.h"
#include "app/TVeldrisApplication.h"
#include "app/TVeldrisForm.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "sensor/SensorInfo.h"

#include "FakeUiServices.h"
#include "GuiFixture.h"
#include "GuiTestData.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <memory>

class SensorPagesTest : public QObject, private GuiFixture {
    Q_OBJECT

    // Chooses a node from the list as the user does, without the four-second scan.
    void choose(const QString& node)
    {
        veldris::openBus(veldris::canOpenClient(), 0, form->BitrateCombo->currentIndex());
        form->NodeIDCombo->clear();
        form->NodeIDCombo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        form->nodesFound = true;
        form->NodeIDCombo->setCurrentIndex(form->NodeIDCombo->findText(node));
        form->NodeIDCombo_OnCloseup();
    }

private slots:
    void init() { setUp(true); }
    void cleanup() { tearDown(); }

    void choosingNode5ShowsItsIdentity()
    {
        choose(QStringLiteral("5"));
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("5"));
        QCOMPARE(form->CurrentBitrateLabel->text(), QStringLiteral("125 kBit/s"));
        QCOMPARE(form->UIDInput->text(), QStringLiteral("0x06102200"));
        QCOMPARE(form->FWVersionInput->text(), QStringLiteral("1.4.0.12"));
        QCOMPARE(form->ItemNumberInput->text(), QStringLiteral("4711001"));
        QCOMPARE(form->SerialNumberInput->text(), QStringLiteral("100234"));
        QVERIFY(!form->SRDODiagnoseGroupbox->isHidden());
        QVERIFY(form->ChangeNodeIdBtn->isEnabled());
        QVERIFY(!form->FWForceCheckbox->isEnabled()); // nodes were found

        choose(QStringLiteral("32"));
        QCOMPARE(form->UIDInput->text(), QStringLiteral("0x12345678"));
        QCOMPARE(form->FWVersionInput->text(), QStringLiteral("2.1.0.3"));
        QCOMPARE(form->ItemNumberInput->text(), QStringLiteral("5012345"));
        QCOMPARE(form->SerialNumberInput->text(), QStringLiteral("98765"));
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden());
        QVERIFY(ui->messages.isEmpty());
    }

    void nodeIdChecks()
    {
        choose(QStringLiteral("5"));
        const std::pair<const char*, const char*> cases[] = {
            {"5", "New Node ID can not be the same as the current Node ID."},
            {"0", "Only range 1 - 127 allowed."},
            {"128", "Only range 1 - 127 allowed."},
        };
        for (const auto& [input, message] : cases) {
            form->NewNodeIdInput->setText(QString::fromLatin1(input));
            QTest::mouseClick(form->ChangeNodeIdBtn, Qt::LeftButton);
            QCOMPARE(ui->messages.takeLast(), QString::fromLatin1(message));
        }
        form->NewNodeIdInput->setText(QStringLiteral("six"));
        QTest::mouseClick(form->ChangeNodeIdBtn, Qt::LeftButton);
        QCOMPARE(ui->errors, QStringList{QStringLiteral("'six' is not a valid integer value")});
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("5")); // nothing was changed
    }

    void controlsPageButtons()
    {
        choose(QStringLiteral("5"));
        const std::pair<QPushButton*, std::pair<QLineEdit*, const char*>> reads[] = {
            {form->GetHeartbeatBtn, {form->HeartbeatValInput, "200"}},
            {form->GetPDOMappingBtn, {form->PDOMappingValInput, "71 30 01 10 "}},
            {form->GetPDOCobIdBtn, {form->PDOCobIdValInput, "00 00 01 85 "}},
            {form->GetPDOEventTimerBtn, {form->PDOEventTimerValInput, "100"}},
            {form->GetSRDOMappingBtn, {form->SRDOMappingValInput, "71 30 01 10 "}},
            {form->GetSRDOCobIdBtn, {form->SRDOCobIdValInput, "01 01 "}},
            {form->GetSRDOEventTimerBtn, {form->SRDOEventTimerValInput, "25"}},
        };
        for (const auto& [button, expected] : reads) {
            button->click();
            QCOMPARE(expected.first->text(), QString::fromLatin1(expected.second));
        }
        form->HeartbeatValInput->setText(QStringLiteral("300"));
        form->SetHeartbeatBtn->click();
        form->HeartbeatValInput->clear();
        form->GetHeartbeatBtn->click();
        QCOMPARE(form->HeartbeatValInput->text(), QStringLiteral("300"));
        form->PDOEventTimerValInput->setText(QStringLiteral("x"));
        form->SetPDOEventTimerBtn->click();
        QCOMPARE(ui->errors, QStringList{QStringLiteral("invalid stoi argument")});
        form->DemoBtn->click();
        QCOMPARE(ui->errors.size(), 1);
        QVERIFY(ui->messages.isEmpty());
    }

    void crcPage()
    {
        choose(QStringLiteral("5"));
        form->CRCLoadBtn->click();
        QCOMPARE(form->CRC1301Sub1Input->text(), QStringLiteral("0x00000001"));
        QCOMPARE(form->CRC1301Sub2Input->text(), QStringLiteral("0x00000019"));
        QCOMPARE(form->CRC1301Sub5Input->text(), QStringLiteral("0x00000101"));
        QCOMPARE(form->CRC1381Sub2Input->text(), QStringLiteral("0x71300110"));
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0xCF62"));
        form->CRC1301Sub2Input->setText(QStringLiteral("25")); // decimal is taken too
        form->CRCCalcBtn->click();
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0xCF62"));
        form->CRCSaveBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Checksum saved to device!"));
        form->CRC1381Sub0Input->setText(QStringLiteral("two"));
        form->CRCSaveBtn->click();
        QCOMPARE(ui->errors, QStringList{QStringLiteral("'two' is not a valid integer value")});
    }

    // Last: both change the sensors of this process's bus.
    void changesReturnToTheNoSensorState()
    {
        choose(QStringLiteral("32"));
        form->NewBitrateCombo->setCurrentIndex(3);
        form->ChangeBitrateBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Bitrate is already set to this value"));

        form->NewNodeIdInput->setText(QStringLiteral("33"));
        form->ChangeNodeIdBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Changed Node ID"));
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QVERIFY(!form->ChangeNodeIdBtn->isEnabled());
        QVERIFY(form->FWLoadBtn->isEnabled());
        QVERIFY(!form->FWUpdateBtn->isEnabled());

        choose(QStringLiteral("5"));
        form->NewBitrateCombo->setCurrentIndex(2);
        form->ChangeBitrateBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Bitrate changed to 250 kBit/s"));
        QCOMPARE(form->CurrentBitrateLabel->text(), QStringLiteral("n/a"));
    }
};

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::unsetenv("VELDRIS_SIM_SCENARIO");
    TVeldrisApplication application(argc, argv);
    SensorPagesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SensorPagesTest.moc"
