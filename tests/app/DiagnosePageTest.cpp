// The Diagnose page against the simulated sensors of tests/scenarios/diagnosis.ini: the
// diagnosis in DiagnoseOutput with its values, the report it exports, and the
// current-value checkbox with its timer.

#include "canopen/BusWorker.h"
#include "sensor/Diagnosis.h"

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

class DiagnosePageTest : public QObject, private GuiFixture {
    Q_OBJECT

    QString exported()
    {
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.file("report.txt")));
        form->ExportDiagnoseOutputBtn->click();
        return QString::fromStdString(data->dir.read("report.txt"));
    }

private slots:
    void init() { setUp(false); }

    // While the diagnosis holds the bus, a tick of the current-value timer sends nothing. Last,
    // the window is closed.
    void diagnosisShowsItsLinesAndExportsThem()
    {
        choose(5);
        qint64 tickAt = -1;
        const auto tick = QObject::connect(form->DiagnoseOutput, &QTextEdit::textChanged, form.get(), [&] {
            if (tickAt < 0 && form->DiagnoseOutput->toPlainText().contains(QStringLiteral("Starting sensor"))) {
                tickAt = QFile(busTrace()).size();
                form->GetCurrentValueTimer_OnTimer();
            }
        });
        form->DiagnoseStartBtn->click();
        QObject::disconnect(tick);
        // The tick begins with a read of the TPDO's COB-ID, which the diagnosis makes only before
        // its line "Starting sensor"; the diagnosis's own frames go on meanwhile.
        QVERIFY(tickAt >= 0);
        QVERIFY(busTraceFrom(tickAt).filter(QStringLiteral("605#4000180100000000")).isEmpty());
        QVERIFY(form->DiagnoseOutput->toPlainText().contains(QStringLiteral("[DIAGNOSE] PASSED")));
        QCOMPARE(form->PDOEventTimerValue->text(), QStringLiteral("100 ms"));
        QCOMPARE(form->CurrentErrorOutput->text(), QStringLiteral("0x00000000"));
        QVERIFY(form->DiagnoseStartBtn->isEnabled() && form->CurrentValueCheckbox->isEnabled());

        // The report holds the window's lines; Reset empties both.
        QVERIFY(exported().contains(QStringLiteral("| --- START ---\n\n")));
        form->ResetDiagnoseResultsBtn->click();
        QVERIFY(form->DiagnoseOutput->toPlainText().isEmpty());
        QVERIFY(exported().contains(QStringLiteral("-- NO RESULTS --")));

        // Closing the window during a diagnosis asks; Yes stops it at once and then closes.
        form->show();
        choose(5);
        ui->yesNoAnswers = {true};
        const auto closer = QObject::connect(form->DiagnoseOutput, &QTextEdit::textChanged, form.get(), [&] {
            if (ui->questions.isEmpty() && form->DiagnoseOutput->toPlainText().contains(QStringLiteral("Starting sensor")))
                form->close();
        });
        form->DiagnoseStartBtn->click();
        QObject::disconnect(closer);
        QCOMPARE(ui->questions.size(), 1);
        QVERIFY(form->DiagnoseOutput->toPlainText().contains(QString::fromLatin1(veldris::diagnosisStoppedLine)));
        QVERIFY(!form->DiagnoseOutput->toPlainText().contains(QStringLiteral("Diagnosing heartbeat")));
        QVERIFY(!state->client().stopRequested() && busFree());
        QTRY_VERIFY(!form->isVisible());
    }

    // A sensor record whose node ID is no number is refused with the window's number box before
    // anything runs: the page is not locked, the bus stays free, and the window then closes
    // without asking.
    void diagnosisOfARecordWithoutNodeIsRefused()
    {
        form->show();
        choose(5);
        state->sensor.nodeId = "five";
        form->DiagnoseStartBtn->click();
        QCOMPARE(ui->errors, QStringList{QStringLiteral("invalid stoi argument")});
        QVERIFY(form->DiagnoseOutput->toPlainText().isEmpty());
        QVERIFY(form->DiagnoseStartBtn->isEnabled());
        checkIdleAndClosable();
    }

    // The checkbox reads the value once a second; an inactive COB-ID (node 9) asks first: No
    // stops the timer and says so, Yes activates it and the next tick reads.
    void currentValueCheckbox()
    {
        choose(9);
        form->CurrentValueCheckbox->click();
        QVERIFY(form->GetCurrentValueTimer->isActive() && form->GetCurrentValueTimer->interval() == 1000);
        ui->yesNoAnswers = {false};
        form->GetCurrentValueTimer_OnTimer();
        QCOMPARE(form->CurrentValueOutput->text(), QStringLiteral("not active"));
        QVERIFY(!form->GetCurrentValueTimer->isActive() && !form->CurrentValueCheckbox->isChecked());
        QCOMPARE(ui->messages, QStringList{QStringLiteral("The current value can not be fetched.")});
        form->CurrentValueCheckbox->click();
        ui->yesNoAnswers = {true};
        form->GetCurrentValueTimer_OnTimer();                               // activates
        form->GetCurrentValueTimer_OnTimer();                               // reads
        QCOMPARE(form->CurrentValueOutput->text(), QStringLiteral("0.00")); // node 9 reports 0, no unit
        QCOMPARE(ui->questions.size(), 2);
        QVERIFY(form->GetCurrentValueTimer->isActive());
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<DiagnosePageTest>(argc, argv, VELDRIS_SIM_LIBRARY, VELDRIS_SOURCE_DIR "/tests/scenarios/diagnosis.ini");
}

#include "DiagnosePageTest.moc"
