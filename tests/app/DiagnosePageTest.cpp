// The Diagnose page against the simulated sensors of tests/scenarios/diagnosis.ini: the
// diagnosis in DiagnoseOutput with its colours and values, the report it exports, and the
// current-value checkbox with its timer.

#include "sensor/Diagnosis.h"

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

namespace {

// The colour of the line of DiagnoseOutput that ends with `text`.
QColor colourOf(QTextEdit* output, const QString& text)
{
    for (QTextBlock block = output->document()->begin(); block.isValid(); block = block.next())
        if (block.text().endsWith(text))
            return block.begin().fragment().charFormat().foreground().color();
    return {};
}

} // namespace

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
        qint64 tickSent = -1;
        const auto tick = QObject::connect(form->DiagnoseOutput, &QTextEdit::textChanged, form.get(), [&] {
            if (tickSent < 0 && form->DiagnoseOutput->toPlainText().contains(QStringLiteral("Starting sensor"))) {
                const qint64 before = QFile(busTrace()).size();
                form->GetCurrentValueTimer_OnTimer();
                tickSent = QFile(busTrace()).size() - before;
            }
        });
        form->DiagnoseStartBtn->click();
        QObject::disconnect(tick);
        QCOMPARE(tickSent, qint64{0});
        QCOMPARE(colourOf(form->DiagnoseOutput, QStringLiteral("[DIAGNOSE] PASSED")), QColor(0, 0x80, 0));
        QCOMPARE(QStringList({form->PDOEventTimerLabel->text(), form->PDOEventTimerValue->text(), form->HBEventTimerLabel->text()}),
                 QStringList({"100 ms", "100 ms", "50 ms"}));
        QCOMPARE(form->CurrentErrorOutput->text(), QStringLiteral("0x00000000"));
        QVERIFY(form->DiagnoseStartBtn->isEnabled() && form->CurrentValueCheckbox->isEnabled());

        const QString first = exported();
        // The layout is the report file's own; here: the window's lines, with their results.
        QVERIFY(first.contains(QStringLiteral("| --- START ---\n\n")));
        QVERIFY(first.endsWith(QStringLiteral("======================================\n\n")));

        choose(6); // PDO every 111 ms: a second diagnosis, without Reset, adds to the report
        form->DiagnoseStartBtn->click();
        QCOMPARE(colourOf(form->DiagnoseOutput, QStringLiteral("[DIAGNOSE] FAILED")), QColor(0xFF, 0, 0));
        const QString both = exported();
        QCOMPARE(both.count(QStringLiteral("--- START ---")), 2);
        QVERIFY(both.startsWith(first.left(first.size() - 1)));

        form->ResetDiagnoseResultsBtn->click();
        QVERIFY(form->DiagnoseOutput->toPlainText().isEmpty());
        QCOMPARE(exported(), QStringLiteral("KAVRO GmbH Diagnostic Report\n--------------------------------\n"
                                            "-- NO RESULTS --\n\nStart a diagnose to get results\n\n"));

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
        QVERIFY(!veldris::canOpenClient().stopRequested() && !veldris::canOpenClient().leased());
        QTRY_VERIFY(!form->isVisible());
    }

    // The checkbox reads the value once a second; an inactive COB-ID (node 9) asks first: No
    // stops the timer and says so, Yes activates it and the next tick reads.
    void currentValueCheckbox()
    {
        choose(5);
        form->CurrentValueCheckbox->click();
        QVERIFY(form->GetCurrentValueTimer->isActive());
        QCOMPARE(form->GetCurrentValueTimer->interval(), 1000);
        form->GetCurrentValueTimer_OnTimer();
        QCOMPARE(form->CurrentValueOutput->text(), QStringLiteral("12.34bar"));
        form->CurrentValueCheckbox->click();
        QVERIFY(!form->GetCurrentValueTimer->isActive());
        QVERIFY(form->CurrentValueOutput->text().isEmpty());

        choose(9);
        form->CurrentValueCheckbox->click();
        ui->yesNoAnswers = {false};
        form->GetCurrentValueTimer_OnTimer();
        QCOMPARE(ui->questions.size(), 1);
        QCOMPARE(form->CurrentValueOutput->text(), QStringLiteral("not active"));
        QVERIFY(!form->GetCurrentValueTimer->isActive() && !form->CurrentValueCheckbox->isChecked());
        QCOMPARE(ui->messages, QStringList{QStringLiteral("The current value can not be fetched.")});
        form->CurrentValueCheckbox->click();
        ui->yesNoAnswers = {true};
        form->GetCurrentValueTimer_OnTimer(); // activates
        form->GetCurrentValueTimer_OnTimer(); // reads
        QCOMPARE(form->CurrentValueOutput->text(), QStringLiteral("0.00")); // node 9 reports 0, no unit
        QVERIFY(form->GetCurrentValueTimer->isActive());
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<DiagnosePageTest>(argc, argv, VELDRIS_SIM_LIBRARY, VELDRIS_SOURCE_DIR "/tests/scenarios/diagnosis.ini");
}

#include "DiagnosePageTest.moc"
