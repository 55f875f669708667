// The window's way onto the bus, against the simulated library and its default scenario:
// the node list scans the bus, the force option follows the scan, the NMT buttons send, a
// worker holds the bus against the window's handlers, and closing the window stops it.

#include "app/DropDownCombo.h"
#include "app/TVeldrisApplication.h"
#include "app/TVeldrisForm.h"
#include "canopen/BusWorker.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "common/GUIProgress.h"
#include "sensor/SensorInfo.h"

#include "FakeUiServices.h"
#include "GuiFixture.h"
#include "GuiTestData.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <memory>

namespace {

// Every frame on the simulated bus, in candump log format (VELDRIS_SIM_TRACE).
const QString busTrace = QDir::temp().filePath(QStringLiteral("veldris-bus-path-%1.log").arg(QCoreApplication::applicationPid()));

QStringList busTraceFrom(qint64 offset)
{
    QFile file(busTrace);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return {};
    return QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

qint64 busTraceSize()
{
    return QFile(busTrace).size();
}

// The position of the first or last line holding `frame`; -1 when none does.
qsizetype firstWith(const QStringList& lines, const QString& frame)
{
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].endsWith(frame))
            return i;
    return -1;
}

qsizetype lastWith(const QStringList& lines, const QString& frame)
{
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (lines[i].endsWith(frame))
            return i;
    return -1;
}

const QString busyMessage = QStringLiteral("The bus is busy with another operation. Try again when it has ended.");

} // namespace

class BusPathTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(true); }
    void cleanup() { tearDown(); }

    void openingTheNodeListScansTheBus()
    {
        form->FWForceCheckbox->setChecked(true);
        form->NodeIDCombo->showPopup();
        QCOMPARE(form->NodeIDCombo->count(), 2);
        QCOMPARE(form->NodeIDCombo->itemText(0), QStringLiteral("5"));
        QCOMPARE(form->NodeIDCombo->itemText(1), QStringLiteral("32"));
        QVERIFY(form->nodesFound);
        QVERIFY(!form->FWForceCheckbox->isChecked());

        // Closing the list without a choice: no sensor, and no forced update offered.
        form->NodeIDCombo->setCurrentIndex(-1);
        form->NodeIDCombo->hidePopup();
        QTRY_VERIFY(!form->FWForceCheckbox->isEnabled());
        QVERIFY(!form->FWForceCheckbox->isChecked());
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
        QVERIFY(ui->errors.isEmpty());
    }

    void scanAtAnotherBitRateFindsNothingAndOffersForce()
    {
        form->BitrateCombo->setCurrentIndex(2); // 250 kBit/s: the sensors run at 125
        form->NodeIDCombo->showPopup();
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QVERIFY(!form->nodesFound);
        form->NodeIDCombo->hidePopup();
        QTRY_VERIFY(form->FWForceCheckbox->isEnabled());
    }

    void nmtButtons()
    {
        QTest::mouseClick(form->StartSensorBtn, Qt::LeftButton); // no sensor chosen yet
        QCOMPARE(ui->errors, QStringList{QStringLiteral("invalid stoi argument")});
        veldris::connectedSensor().nodeId = "5";
        form->PreopSensorBtn->click();
        form->StartSensorBtn->click();
        form->ResetSensorBtn->click();
        QCOMPARE(ui->errors.size(), 1);
    }

    // A worker holds the bus while the window's timer clicks a parameter button: every click
    // says the bus is busy, and its request reaches the bus only once the worker has ended.
    void workerHoldsTheBusAgainstTheWindow()
    {
        veldris::connectedSensor().nodeId = "5";
        veldris::openBus(veldris::canOpenClient(), 0, 3);
        const qint64 start = busTraceSize();
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
            veldris::CanOpenClient& client = veldris::canOpenClient();
            int reads = 0;
            while (clicks < 3 || reads == 0)
                reads += client.exchange(veldris::requests::readHeartbeat(5), 100).answered();
            report.addLine(std::to_string(reads) + " reads");
        }));
        clicker.stop();
        form->GetCurrentValueTimer->stop();
        QVERIFY(ui->messages.count(busyMessage) >= 3);
        QVERIFY(form->DCFOutput->toPlainText().endsWith(QStringLiteral(" reads")));
        form->GetPDOMappingBtn->click();
        QCOMPARE(form->PDOMappingValInput->text(), QStringLiteral("71 30 01 10 "));

        const QStringList frames = busTraceFrom(start);
        const QString heartbeatRead = QStringLiteral("605#4017100000000000");
        const QString mappingRead = QStringLiteral("605#40001A0100000000");
        QVERIFY(lastWith(frames, heartbeatRead) >= 0);
        QVERIFY2(firstWith(frames, mappingRead) > lastWith(frames, heartbeatRead), "a click reached the bus during the lease");
    }

    // Closing the window while a worker waits 10 s asks whether to stop; Yes ends the wait at
    // once, the worker is joined, and the window closes after the handler has returned.
    void closingTheWindowStopsTheWorker()
    {
        veldris::openBus(veldris::canOpenClient(), 0, 3);
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
        const bool finished = form->runOnWorker(progress, shown, form->FWUpdateOutput, form->FWUpdateProgressBar,
                                                [&](veldris::Progress& report) {
            waiting = true;
            const veldris::Exchange result = veldris::canOpenClient().exchange(veldris::requests::readUid(77), 10000);
            report.addLine(result.status == veldris::ExchangeStatus::Stopped ? "stopped" : "not stopped");
        });
        QVERIFY(!finished);
        QCOMPARE(form->FWUpdateOutput->toPlainText(), QStringLiteral("stopped"));
        QCOMPARE(ui->questions.size(), 1);
        QCOMPARE(veldris::BusWorker::running(), 0);
        QVERIFY(!veldris::canOpenClient().stopRequested());
        QVERIFY(!veldris::canOpenClient().leased());
        QVERIFY(form->isVisible()); // until the handler has returned to the event loop
        QTRY_VERIFY(!form->isVisible());
    }
};

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::unsetenv("VELDRIS_SIM_SCENARIO");
    TVeldrisApplication application(argc, argv);
    QFile::remove(busTrace);
    ::setenv("VELDRIS_SIM_TRACE", QFile::encodeName(busTrace).constData(), 1);
    BusPathTest test;
    const int failed = QTest::qExec(&test, argc, argv);
    QFile::remove(busTrace);
    return failed;
}

#include "BusPathTest.moc"
