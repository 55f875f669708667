// The window's use of the bus: one handler or one worker at a time, and closing the window
// while a worker runs.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/FailureMessage.h"
#include "app/LongProcedureScope.h"
#include "app/TextConversion.h"
#include "app/UiServices.h"
#include "app/WorkerFollower.h"
#include "canopen/CanOpenClient.h"
#include "common/GUIProgress.h"
#include "sensor/SensorInfo.h"

#include <QLineEdit>

#include <QCloseEvent>

veldris::BusLease TVeldrisForm::leaseBus()
{
    veldris::BusLease lease = app.client().tryLease();
    if (!lease)
        uiServices().showMessage(this, translate("The bus is busy with another operation. Try again when it has ended."));
    return lease;
}

bool TVeldrisForm::withBus(const std::function<void()>& work)
{
    const veldris::BusLease lease = leaseBus();
    if (lease)
        work();
    return static_cast<bool>(lease);
}

const veldris::SensorInfo& TVeldrisForm::addressedSensor() const
{
    veldris::decimalToInt(app.sensor.nodeId);
    return app.sensor;
}

bool TVeldrisForm::sensorGave(const veldris::SdoResult& result)
{
    if (result.uploaded() || result.confirmed())
        return true;
    uiServices().showMessage(this, failureMessage(app.translations, app.sensor.nodeId, result));
    return false;
}

std::optional<std::uint32_t> TVeldrisForm::typedNumber(const QLineEdit* input, const veldris::NumberRange& range,
                                                       const char* object)
{
    const veldris::NumberReading reading = veldris::readNumberText(input->text().toStdString(), range);
    if (reading.ok())
        return reading.bits();
    uiServices().showMessage(this, numberRefusalMessage(app.translations, input->text(), range, object));
    return std::nullopt;
}

bool TVeldrisForm::runOnWorker(veldris::GUIProgress& progress, std::uint32_t& shownLines, QPlainTextEdit* output,
                               QProgressBar* bar, veldris::BusWorker::Procedure procedure)
{
    return runOnWorker(progress, shownLines, displayIn(output, bar), std::move(procedure));
}

bool TVeldrisForm::runOnWorker(veldris::GUIProgress& progress, std::uint32_t& shownLines, const WorkerDisplay& display,
                               veldris::BusWorker::Procedure procedure)
{
    veldris::BusLease lease = leaseBus();
    if (!lease)
        return false;
    followWorker(std::move(lease), progress, shownLines, display, std::move(procedure));
    // The worker's last line says in which state it left the sensor ("Stopped: ...").
    const std::uint32_t lines = progress.lineCount();
    return !endLongProcedure(lines ? progress.line(lines - 1) : std::string());
}

// The follower is declared before the worker, so that the worker is joined before the follower
// it signals goes, also when an exception leaves this scope.
void TVeldrisForm::followWorker(veldris::BusLease lease, veldris::GUIProgress& progress, std::uint32_t& shownLines,
                                const WorkerDisplay& display, veldris::BusWorker::Procedure procedure)
{
    const LongProcedureScope running(longProcedureRunning);
    WorkerFollower follower(progress, display, shownLines);
    veldris::BusWorker worker(std::move(lease), progress, follower.relay(std::move(procedure)));
    if (!worker.started()) {
        // Nothing runs that could report: the reason goes into a box, as an error out of any
        // handler does.
        uiServices().showError(this, QString::fromStdString(progress.line(progress.lineCount() - 1)));
        return;
    }
    follower.follow([&worker] { worker.join(); });
} // joined: the worker has released the bus and touches nothing of ours any more

bool TVeldrisForm::endLongProcedure(const std::string& stateLine)
{
    if (!closeAfterWorker)
        return false;
    closeAfterWorker = false;
    app.client().clearStop();
    if (!stateLine.empty())
        uiServices().showMessage(this, QString::fromLatin1(stateLine));
    // Closed from the event loop, after the handler that ran the procedure has returned.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return true;
}

void TVeldrisForm::closeEvent(QCloseEvent* event)
{
    if (!longProcedureRunning) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    if (closeAfterWorker)
        return; // already stopping
    const QString question = translate("An operation is still using the sensor. Stop it and close the window?");
    if (uiServices().askYesNo(this, QStringLiteral("KAVRO Veldris"), question)) {
        closeAfterWorker = true;
        app.client().requestStop();
    }
}
