// The window's way onto the bus, against the simulated library and its default scenario:
// the node list scans the bus, the force option follows the scan, the NMT buttons send their
// frames, a worker holds the bus against the window's handlers, and closing the window stops it.

#include "app/LongProcedureScope.h"
#include "canopen/BusWorker.h"
#include "canopen/RequestTemplates.h"
#include "common/GUIProgress.h"

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <stdexcept>

class BusPathTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(); }

    // The scan re-opens the bus at the chosen bit rate. At 250 kbit/s no sensor answers and,
    // the list closed, "Force" is offered; at 125 kbit/s both sensors are listed, each with what
    // it is as its tooltip, the scan unchecks "Force", and closing the list without a choice leaves no sensor and no "Force".
    void openingTheNodeListScansTheBus()
    {
        form->BitrateCombo->setCurrentIndex(2);
        form->NodeIDCombo->showPopup();
        QCOMPARE(form->NodeIDCombo->count(), 0);
        form->NodeIDCombo->hidePopup();
        QTRY_VERIFY(form->FWForceCheckbox->isEnabled());

        form->FWForceCheckbox->setChecked(true);
        form->BitrateCombo->setCurrentIndex(3);
        form->NodeIDCombo->showPopup();
        QCOMPARE(form->NodeIDCombo->itemText(0) + u',' + form->NodeIDCombo->itemText(1), QStringLiteral("5,32"));
        QCOMPARE(form->NodeIDCombo->count(), 2);
        QCOMPARE(form->NodeIDCombo->itemData(0, Qt::ToolTipRole).toString(),
                 QStringLiteral("Sensor of this family\nUID 0x06102200"));
        QVERIFY(!form->FWForceCheckbox->isChecked());
        form->NodeIDCombo->setCurrentIndex(-1);
        form->NodeIDCombo->hidePopup();
        QTRY_VERIFY(!form->FWForceCheckbox->isEnabled());
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
    }

    // Start addresses the chosen sensor (none chosen: the bad number is shown), the other two
    // every node: one frame each on COB-ID 0x000, and each handler returns only after the
    // nodes' 100 ms to settle.
    void nmtButtons()
    {
        QTest::mouseClick(form->StartSensorBtn, Qt::LeftButton);
        QCOMPARE(ui->errors, QStringList{QStringLiteral("invalid stoi argument")});
        state->sensor.nodeId = "5";
        veldris::openBus(state->client(), 0, 3);
        const qint64 start = QFile(busTrace()).size();
        for (QPushButton* button : {form->PreopSensorBtn, form->StartSensorBtn, form->ResetSensorBtn}) {
            const auto clicked = std::chrono::steady_clock::now();
            button->click();
            QVERIFY2(std::chrono::steady_clock::now() - clicked >= std::chrono::milliseconds(100),
                     qPrintable(button->objectName()));
        }
        QStringList nmt;
        for (const QString& line : busTraceFrom(start))
            if (line.contains(QStringLiteral(" 000#")))
                nmt << line.section(u' ', -1);
        QCOMPARE(nmt, QStringList({"000#8000", "000#0105", "000#8200"}));
        QCOMPARE(ui->errors.size(), 1);
    }

    // Before a node is chosen, the reads and writes of the Controls page show the bad node
    // number and send nothing: no request to node 0 (0x600) ever reaches the bus.
    void controlsBeforeANodeIsChosen()
    {
        QVERIFY(veldris::openBus(state->client(), 0, 3));
        const qint64 start = QFile(busTrace()).size();
        form->HeartbeatValInput->setText(QStringLiteral("100"));
        form->PDOEventTimerValInput->setText(QStringLiteral("100"));
        QPushButton* const buttons[] = {form->GetHeartbeatBtn,     form->SetHeartbeatBtn,     form->GetPDOMappingBtn,
                                        form->GetPDOEventTimerBtn, form->SetPDOEventTimerBtn, form->GetSRDOCobIdBtn};
        for (QPushButton* button : buttons)
            button->click();
        QCOMPARE(ui->errors, QStringList(std::size(buttons), QStringLiteral("invalid stoi argument")));
        // Node 5's answer is traced after every frame sent before its request.
        QVERIFY(state->client().exchange(veldris::requests::readUid(5), 1000).answered());
        QTRY_COMPARE(busTraceFrom(start).size(), 2);
        QVERIFY(busTraceFrom(start).first().endsWith(QStringLiteral("605#40002A0100000000")));
    }

    // A worker holds the bus while the window's timer clicks a parameter button: every click
    // says the bus is busy, and its request reaches the bus only once the worker has ended.
    void workerHoldsTheBusAgainstTheWindow()
    {
        state->sensor.nodeId = "5";
        veldris::openBus(state->client(), 0, 3);
        const qint64 start = QFile(busTrace()).size();
        std::atomic<int> clicks{0};
        QTimer clicker;
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            form->GetPDOMappingBtn->click();
            ++clicks;
        });
        clicker.start(20);
        form->GetCurrentValueTimer->start(20); // skips its ticks
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        QVERIFY(form->runOnWorker(progress, shown, form->DCFOutput, nullptr, [&](veldris::Progress& report) {
            int reads = 0;
            while (clicks < 3 || reads == 0)
                reads += state->client().exchange(veldris::requests::readHeartbeat(5), 100).answered();
            report.addLine(std::to_string(reads) + " reads");
        }));
        clicker.stop();
        form->GetCurrentValueTimer->stop();
        const QString busy = QStringLiteral("The bus is busy with another operation. Try again when it has ended.");
        QVERIFY(ui->messages.count(busy) >= 3);
        QVERIFY(form->DCFOutput->toPlainText().endsWith(QStringLiteral(" reads")));
        form->GetPDOMappingBtn->click();
        QCOMPARE(form->PDOMappingValInput->text(), QStringLiteral("71 30 01 10 "));

        const QStringList frames = busTraceFrom(start);
        const auto lastHeartbeatRead = frames.lastIndexOf(QRegularExpression(QStringLiteral(".*605#4017100000000000")));
        QVERIFY(lastHeartbeatRead >= 0);
        QVERIFY2(frames.indexOf(QRegularExpression(QStringLiteral(".*605#40001A0100000000"))) > lastHeartbeatRead,
                 "a click reached the bus during the lease");
    }

    // Closing the window while a worker waits 10 s asks whether to stop; Yes ends the wait at
    // once, the worker is joined, and the window closes after the handler has returned.
    void closingTheWindowStopsTheWorker()
    {
        veldris::openBus(state->client(), 0, 3);
        ui->yesNoAnswers = {true};
        std::atomic<bool> waiting{false};
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (waiting) {
                closer.stop();
                form->close();
            }
        });
        closer.start(20);
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        QVERIFY(!form->runOnWorker(
            progress, shown, form->FWUpdateOutput, form->FWUpdateProgressBar, [&](veldris::Progress& report) {
                waiting = true;
                const veldris::Exchange result = state->client().exchange(veldris::requests::readUid(77), 10000);
                report.addLine(result.status == veldris::ExchangeStatus::Stopped ? "stopped" : "not stopped");
            }));
        QCOMPARE(form->FWUpdateOutput->toPlainText(), QStringLiteral("stopped"));
        QCOMPARE(ui->questions.size(), 1);
        QCOMPARE(veldris::BusWorker::running(), 0);
        QVERIFY(!state->client().stopRequested() && busFree());
        QVERIFY(form->isVisible()); // until the handler has returned to the event loop
        QTRY_VERIFY(!form->isVisible());
    }

    // A procedure that throws on the worker: its text is the last line, the bus is free again,
    // and the window closes without asking.
    void aProcedureThatThrowsLeavesTheWindowClosable()
    {
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        QVERIFY(form->runOnWorker(progress, shown, form->DCFOutput, nullptr, [](veldris::Progress& report) {
            report.addLine("sending");
            throw std::runtime_error("adapter gone");
        }));
        QCOMPARE(form->DCFOutput->toPlainText(), QStringLiteral("sending\nError: adapter gone"));
        checkIdleAndClosable();
    }

    // The mark of a long procedure goes also when its scope is left by an exception.
    void theLongProcedureMarkGoesOnEveryWayOut()
    {
        bool running = false;
        try {
            const LongProcedureScope scope(running);
            QVERIFY(running);
            throw std::runtime_error("thread not started");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(!running);
        {
            const LongProcedureScope scope(running);
        }
        QVERIFY(!running);
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<BusPathTest>(argc, argv, VELDRIS_SIM_LIBRARY);
}
#include "BusPathTest.moc"
