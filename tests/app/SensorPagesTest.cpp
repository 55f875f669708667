// The Basic, Controls and CRC pages against the simulated sensors of the default scenario:
// choosing a node, the identity shown, the node-ID and bit-rate changes with their messages,
// the parameter buttons and the SRDO checksum.

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class SensorPagesTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(); }

    // Choosing a node (the scan found nodes) shows its identity; the SRDO group only for the
    // safety variant. Then, on that sensor, the Controls and CRC pages.
    void choosingANodeAndItsPages()
    {
        const struct {
            int node;
            QStringList identity; // UID, firmware version, item number, serial number
        } sensors[] = {
            {32, {"0x12345678", "2.1.0.3", "5012345", "98765"}},
            {5, {"0x06102200", "1.4.0.12", "4711001", "100234"}},
        };
        form->nodesFound = true;
        for (const auto& sensor : sensors) {
            choose(sensor.node);
            QCOMPARE(form->CurrentNodeIdLabel->text() + u' ' + form->CurrentBitrateLabel->text(),
                     QString::number(sensor.node) + QStringLiteral(" 125 kBit/s"));
            QCOMPARE(QStringList({form->UIDInput->text(), form->FWVersionInput->text(), form->ItemNumberInput->text(),
                                  form->SerialNumberInput->text()}),
                     sensor.identity);
            QCOMPARE(form->SRDODiagnoseGroupbox->isHidden(), sensor.node != 5);
            QVERIFY(form->ChangeNodeIdBtn->isEnabled() && !form->FWForceCheckbox->isEnabled());
        }

        // Each Get button fills its own field; Set writes, a bad number is shown.
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

        // CRC: Load fills the eight boxes and the checksum, Calc and Save take the boxes (also
        // decimal); a sensor that does not answer (node 7 is on no bus) reads as zeros.
        form->CRCLoadBtn->click();
        const auto boxes = {form->CRC1301Sub1Input, form->CRC1301Sub2Input, form->CRC1301Sub3Input, form->CRC1301Sub5Input,
                            form->CRC1301Sub6Input, form->CRC1381Sub0Input, form->CRC1381Sub1Input, form->CRC1381Sub2Input};
        QStringList loaded;
        for (QLineEdit* box : boxes)
            loaded << box->text();
        QCOMPARE(loaded, QStringList({"0x00000001", "0x00000019", "0x00000014", "0x00000101", "0x00000102",
                                      "0x00000002", "0x71300110", "0x71300110"}));
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0xCF62"));
        form->CRC1301Sub2Input->setText(QStringLiteral("25"));
        form->CRCCalcBtn->click();
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0xCF62"));
        form->CRCSaveBtn->click();
        QCOMPARE(ui->messages, QStringList{QStringLiteral("Checksum saved to device!")});
        form->CRC1381Sub0Input->setText(QStringLiteral("two"));
        form->CRCSaveBtn->click();
        QCOMPARE(ui->errors.last(), QStringLiteral("'two' is not a valid integer value"));
        choose(7);
        form->CRCLoadBtn->click();
        for (QLineEdit* box : boxes)
            QCOMPARE(box->text(), QStringLiteral("0x00000000"));
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0x0000"));
    }

    // The refusals change nothing; then both changes leave the window without a sensor (the
    // FW Update page then offers only "Open"). Last: they change the sensors of this
    // process's bus.
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
        QVERIFY(form->FWForceCheckbox->isEnabled());

        form->NewNodeIdInput->setText(QStringLiteral("33"));
        form->ChangeNodeIdBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Changed Node ID"));
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
        QVERIFY(form->FWLoadBtn->isEnabled());
        for (QWidget* control : std::initializer_list<QWidget*>{form->MethodSelectionCombo, form->FWUpdateBtn, form->FWForceCheckbox})
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        choose(5);
        form->NewBitrateCombo->setCurrentIndex(2);
        form->ChangeBitrateBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Bitrate changed to 250 kBit/s"));
        QCOMPARE(form->CurrentBitrateLabel->text(), QStringLiteral("n/a"));
    }
};

int main(int argc, char** argv) { return runGuiTest<SensorPagesTest>(argc, argv, VELDRIS_SIM_LIBRARY); }
#include "SensorPagesTest.moc"
