// The Basic, Controls and CRC pages against the simulated sensors of the default scenario:
// choosing a node, the identity shown, the node-ID and bit-rate changes with their messages,
// the parameter buttons and the SRDO checksum.

#include "app/TVeldrisApplication.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

class SensorPagesTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(true); }
    void cleanup() { tearDown(); }

    // Choosing a node (the scan found nodes) shows its identity; the SRDO group only for the
    // safety variant.
    void choosingANodeShowsItsIdentity()
    {
        const struct {
            int node;
            QStringList identity; // UID, firmware version, item number, serial number
            bool srdo;
        } sensors[] = {
            {5, {"0x06102200", "1.4.0.12", "4711001", "100234"}, true},
            {32, {"0x12345678", "2.1.0.3", "5012345", "98765"}, false},
        };
        form->nodesFound = true;
        for (const auto& sensor : sensors) {
            choose(sensor.node);
            QCOMPARE(form->CurrentNodeIdLabel->text(), QString::number(sensor.node));
            QCOMPARE(form->CurrentBitrateLabel->text(), QStringLiteral("125 kBit/s"));
            QCOMPARE(QStringList({form->UIDInput->text(), form->FWVersionInput->text(), form->ItemNumberInput->text(),
                                  form->SerialNumberInput->text()}),
                     sensor.identity);
            QCOMPARE(form->SRDODiagnoseGroupbox->isHidden(), !sensor.srdo);
            QVERIFY(form->ChangeNodeIdBtn->isEnabled() && !form->FWForceCheckbox->isEnabled());
        }
        QVERIFY(ui->messages.isEmpty());
    }

    void controlsPageButtons()
    {
        choose(5);
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
        choose(5);
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

    // The refusals change nothing; then both changes leave the window without a sensor. Last:
    // they change the sensors of this process's bus.
    void nodeIdAndBitRateChanges()
    {
        choose(32);
        const std::pair<const char*, const char*> refusals[] = {
            {"32", "New Node ID can not be the same as the current Node ID."},
            {"0", "Only range 1 - 127 allowed."},
            {"128", "Only range 1 - 127 allowed."},
        };
        for (const auto& [input, message] : refusals) {
            form->NewNodeIdInput->setText(QString::fromLatin1(input));
            QTest::mouseClick(form->ChangeNodeIdBtn, Qt::LeftButton);
            QCOMPARE(ui->messages.takeLast(), QString::fromLatin1(message));
        }
        form->NewNodeIdInput->setText(QStringLiteral("six"));
        QTest::mouseClick(form->ChangeNodeIdBtn, Qt::LeftButton);
        QCOMPARE(ui->errors, QStringList{QStringLiteral("'six' is not a valid integer value")});
        form->NewBitrateCombo->setCurrentIndex(3);
        form->ChangeBitrateBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Bitrate is already set to this value"));
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("32"));

        form->NewNodeIdInput->setText(QStringLiteral("33"));
        form->ChangeNodeIdBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Changed Node ID"));
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
        choose(5);
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
