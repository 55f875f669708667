// The Basic, Controls and CRC pages against the simulated sensors of the default scenario:
// the identity shown, the node-ID and bit-rate changes with their messages, the parameter
// buttons and the SRDO checksum.

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

    // Choosing the safety variant (node 5, the scan found nodes) shows its identity and the
    // SRDO group. Then, on that sensor, the Controls and CRC pages.
    void choosingANodeAndItsPages()
    {
        form->nodesFound = true;
        choose(5);
        QCOMPARE(form->CurrentNodeIdLabel->text() + u' ' + form->CurrentBitrateLabel->text(), QStringLiteral("5 125 kBit/s"));
        QCOMPARE(QStringList({form->UIDInput->text(), form->FWVersionInput->text(), form->ItemNumberInput->text(),
                              form->SerialNumberInput->text()}),
                 QStringList({"0x06102200", "1.4.0.12", "4711001", "100234"}));
        QVERIFY(!form->SRDODiagnoseGroupbox->isHidden());
        QVERIFY(form->ChangeNodeIdBtn->isEnabled() && !form->FWForceCheckbox->isEnabled());

        // Each Get button fills its own field (a number, a mapping); Set writes.
        const std::pair<QPushButton*, std::pair<QLineEdit*, const char*>> reads[] = {
            {form->GetHeartbeatBtn, {form->HeartbeatValInput, "200"}},
            {form->GetPDOMappingBtn, {form->PDOMappingValInput, "71 30 01 10 "}},
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

        // CRC: Load fills the eight boxes and the checksum, Calc and Save take the boxes (also
        // decimal); a sensor that does not answer (node 7 is on no bus) reads as zeros.
        form->CRCLoadBtn->click();
        const auto boxes = {form->CRC1301Sub1Input, form->CRC1301Sub2Input, form->CRC1301Sub3Input, form->CRC1301Sub5Input,
                            form->CRC1301Sub6Input, form->CRC1381Sub0Input, form->CRC1381Sub1Input, form->CRC1381Sub2Input};
        QCOMPARE(form->CRC1301Sub2Input->text() + u' ' + form->CRC1381Sub2Input->text(),
                 QStringLiteral("0x00000019 0x71300110"));
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0xCF62"));
        form->CRC1301Sub2Input->setText(QStringLiteral("25"));
        form->CRCCalcBtn->click();
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0xCF62"));
        form->CRCSaveBtn->click();
        QCOMPARE(ui->messages, QStringList{QStringLiteral("Checksum saved to device!")});
        choose(7);
        form->CRCLoadBtn->click();
        for (QLineEdit* box : boxes)
            QCOMPARE(box->text(), QStringLiteral("0x00000000"));
        QCOMPARE(form->CRCChecksumInput->text(), QStringLiteral("0x0000"));
    }

    // What the sensor did not give is no number: node 32 has no SRDO, and the field stays empty
    // while the message names the object and the abort. A typed number its object does not take
    // is not sent.
    void abortsAndNumbersTheObjectsDoNotTake()
    {
        choose(32);
        form->SRDOEventTimerValInput->setText(QStringLiteral("7"));
        form->GetSRDOEventTimerBtn->click();
        QCOMPARE(form->SRDOEventTimerValInput->text(), QString());
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Node 32 refused the access to 0x1301:02: 0x06020000 (Object does "
                                                         "not exist in the object dictionary.)"));
        for (const char* typed : {"70000", "-5", "12abc"}) {
            form->HeartbeatValInput->setText(QString::fromLatin1(typed));
            form->SetHeartbeatBtn->click();
            QVERIFY(ui->messages.takeLast().startsWith(u'\'' + QString::fromLatin1(typed)
                                                       + "' is not sent: 0x1017:00 takes a whole number from 0..65535"));
        }
        form->GetHeartbeatBtn->click();
        QCOMPARE(form->HeartbeatValInput->text(), QStringLiteral("500"));
        QVERIFY(ui->messages.isEmpty());
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
        for (QWidget* control :
             std::initializer_list<QWidget*>{form->MethodSelectionCombo, form->FWUpdateBtn, form->FWForceCheckbox})
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        choose(5);
        form->NewBitrateCombo->setCurrentIndex(2);
        form->ChangeBitrateBtn->click();
        QCOMPARE(ui->messages.takeLast(), QStringLiteral("Bitrate changed to 250 kBit/s"));
        QCOMPARE(form->CurrentBitrateLabel->text(), QStringLiteral("n/a"));
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<SensorPagesTest>(argc, argv, VELDRIS_SIM_LIBRARY);
}
#include "SensorPagesTest.moc"
