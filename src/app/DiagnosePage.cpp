// Diagnose page: timing diagnosis of the cyclic messages, current value and current error.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/DiagnosisRelay.h"
#include "app/HandlerConnection.h"
#include "app/WorkerFollower.h"
#include "app/WidgetFactory.h"

#include "app/UiServices.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "common/GUIProgress.h"
#include "sensor/Diagnosis.h"
#include "sensor/DiagnosisReportFile.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorConnection.h"
#include "sensor/SensorInfo.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <exception>

namespace {

struct TimingRow {
    QLabel*& caption;
    const char* captionName;
    QLabel*& value;
    const char* valueName;
};

// A group with the "NV Memory:" row (configured value) and the "Active value:" row (measured).
QGroupBox* timingGroup(const char* name, QGroupBox*& group, TimingRow memory, TimingRow active)
{
    group = named<QGroupBox>(name);
    auto* form = new QFormLayout(group);
    for (TimingRow* row : {&memory, &active}) {
        row->caption = named<QLabel>(row->captionName);
        row->value = named<QLabel>(row->valueName);
        row->value->setText(QStringLiteral("n/a ms"));
        row->value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(row->caption, row->value);
    }
    return group;
}

} // namespace

QWidget* TVeldrisForm::buildDiagnoseTab()
{
    auto* card = named<QWidget>("DiagnoseTab");
    auto* layout = new QVBoxLayout(card);

    auto* buttons = new QHBoxLayout;
    DiagnoseStartBtn = named<QPushButton>("DiagnoseStartBtn");
    DiagnoseStartBtn->setEnabled(false);
    ResetDiagnoseResultsBtn = named<QPushButton>("ResetDiagnoseResultsBtn");
    ExportDiagnoseOutputBtn = named<QPushButton>("ExportDiagnoseOutputBtn");
    ExportDiagnoseOutputBtn->setEnabled(false);
    buttons->addWidget(DiagnoseStartBtn);
    buttons->addWidget(ResetDiagnoseResultsBtn);
    buttons->addStretch(1);
    buttons->addWidget(ExportDiagnoseOutputBtn);
    layout->addLayout(buttons);

    auto* groups = new QHBoxLayout;
    groups->addWidget(
        timingGroup("PDODiagnoseGroupbox", PDODiagnoseGroupbox,
                    {PDOEventTimerMemoryLabel, "PDOEventTimerMemoryLabel", PDOEventTimerLabel, "PDOEventTimerLabel"},
                    {PDOEventTimerActualLabel, "PDOEventTimerActualLabel", PDOEventTimerValue, "PDOEventTimerValue"}));
    groups->addWidget(
        timingGroup("HBDiagnoseGroupbox", HBDiagnoseGroupbox,
                    {HBEventTimerMemoryLabel, "HBEventTimerMemoryLabel", HBEventTimerValue, "HBEventTimerValue"},
                    {HBEventTimerActualLabel, "HBEventTimerActualLabel", HBEventTimerLabel, "HBEventTimerLabel"}));
    groups->addWidget(
        timingGroup("SRDODiagnoseGroupbox", SRDODiagnoseGroupbox,
                    {SRDOEventTimerMemoryLabel, "SRDOEventTimerMemoryLabel", SRDOEventTimerLabel, "SRDOEventTimerLabel"},
                    {SRDOEventTimerActualLabel, "SRDOEventTimerActualLabel", SRDOEventTimerValue, "SRDOEventTimerValue"}));
    SRDODiagnoseGroupbox->setVisible(false);
    groups->addStretch(1);
    layout->addLayout(groups);

    auto* live = new QGridLayout;
    CurrentValueCheckbox = named<QCheckBox>("CurrentValueCheckbox");
    CurrentValueCheckbox->setEnabled(false);
    CurrentValueOutput = namedDisplayField("CurrentValueOutput");
    CurrentErrorLabel = named<QLabel>("CurrentErrorLabel");
    CurrentErrorOutput = namedDisplayField("CurrentErrorOutput");
    GetCurrentErrorsBtn = named<QPushButton>("GetCurrentErrorsBtn");
    GetCurrentErrorsBtn->setEnabled(false);
    live->addWidget(CurrentValueCheckbox, 0, 0);
    live->addWidget(CurrentValueOutput, 0, 1);
    live->addWidget(CurrentErrorLabel, 1, 0);
    live->addWidget(CurrentErrorOutput, 1, 1);
    live->addWidget(GetCurrentErrorsBtn, 1, 2);
    live->setColumnStretch(3, 1);
    layout->addLayout(live);

    DiagnoseOutput = named<QTextEdit>("DiagnoseOutput");
    DiagnoseOutput->setReadOnly(true);
    layout->addWidget(DiagnoseOutput, 1);

    GetCurrentValueTimer = named<QTimer>("GetCurrentValueTimer", this);
    GetCurrentValueTimer->setInterval(1000);
    SaveDiagnosisDialog = namedFileDialog(this, "SaveDiagnosisDialog", QStringLiteral("txt (*.txt)"), true);
    SaveDiagnosisDialog->setDefaultSuffix(QStringLiteral("txt"));
    SaveDiagnosisDialog->selectFile(QStringLiteral("diagnosticresult"));

    connectHandler(DiagnoseStartBtn, &QPushButton::clicked, this, &TVeldrisForm::DiagnoseStartBtnClick);
    connectHandler(ResetDiagnoseResultsBtn, &QPushButton::clicked, this, &TVeldrisForm::ResetDiagnoseResultsBtnClick);
    connectHandler(ExportDiagnoseOutputBtn, &QPushButton::clicked, this, &TVeldrisForm::ExportDiagnoseOutputBtnClick);
    connectHandler(CurrentValueCheckbox, &QCheckBox::clicked, this, &TVeldrisForm::CurrentValueCheckbox_OnClick);
    connectHandler(GetCurrentErrorsBtn, &QPushButton::clicked, this, &TVeldrisForm::GetCurrentErrorsBtnClick);
    connectHandler(GetCurrentValueTimer, &QTimer::timeout, this, &TVeldrisForm::GetCurrentValueTimer_OnTimer);
    return card;
}

namespace {

void appendColoured(QTextEdit* output, const QString& text, const QColor& colour)
{
    QTextCursor cursor(output->document());
    cursor.movePosition(QTextCursor::End);
    if (!output->document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(text, format);
    output->ensureCursorVisible();
}

QString hexText(std::int32_t value)
{
    return QString::asprintf("0x%08X", static_cast<std::uint32_t>(value));
}

} // namespace

void TVeldrisForm::appendLine(const std::string& line)
{
    appendColoured(DiagnoseOutput, QString::fromLatin1(line), DiagnoseOutput->palette().color(QPalette::Text));
    diagnosisReport.push_back(line);
}

void TVeldrisForm::addResult(const veldris::DiagnosisResult& result, const std::string& line)
{
    appendColoured(DiagnoseOutput, QString::fromLatin1(line), result.isError ? QColor(0xFF, 0, 0) : QColor(0, 0x80, 0));
    diagnosisReport.push_back(line);
    diagnosisResults.push_back(result);
}

// The "NV Memory:" row of each group shows the configured spacing, the "Active value:" row the
// measured one (the heartbeat group names its two labels the other way round).
void TVeldrisForm::showDiagnosisField(veldris::DiagnosisField field, const std::string& text)
{
    using Field = veldris::DiagnosisField;
    QLabel* labels[] = {PDOEventTimerLabel, PDOEventTimerValue,  HBEventTimerValue,
                        HBEventTimerLabel,  SRDOEventTimerLabel, SRDOEventTimerValue};
    const QString shown = QString::fromLatin1(text);
    if (field == Field::CurrentError)
        CurrentErrorOutput->setText(shown);
    else if (field == Field::CurrentValue)
        CurrentValueOutput->setText(shown);
    else
        labels[static_cast<int>(field)]->setText(shown);
}

// The diagnosis runs on a worker that holds the bus for its whole run: the current-value timer
// skips its ticks and other handlers say the bus is busy. An exception that ended it is shown as
// the window shows one out of any handler, once the window can be closed again; the page then
// stays locked.
void TVeldrisForm::DiagnoseStartBtnClick()
{
    addressedSensor(); // a record without a node is refused before the page is locked
    veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    diagnosisResults.clear();
    lockForDiagnosis();
    veldris::DiagnosisOutcome outcome;
    const std::exception_ptr failure = diagnoseOnWorker(std::move(lease), outcome);
    const bool closing = endLongProcedure(outcome.stopped ? veldris::diagnosisStoppedLine : "");
    if (failure)
        std::rethrow_exception(failure);
    if (!closing)
        showConnectedState();
}

// The lines, results and values come to the page through the relay, on the window's thread.
std::exception_ptr TVeldrisForm::diagnoseOnWorker(veldris::BusLease lease, veldris::DiagnosisOutcome& outcome)
{
    // What the worker reads is copied here, on the window's thread: the language may change while
    // the diagnosis runs.
    veldris::CanOpenClient& client = app.client();
    const veldris::SensorInfo sensor = addressedSensor();
    const veldris::Translations translations = app.translations;
    DiagnosisRelay report(*this, client);
    std::exception_ptr failure;
    veldris::GUIProgress progress; // holds nothing: the diagnosis reports through the relay
    std::uint32_t shown = 0;
    followWorker(std::move(lease), progress, shown, WorkerDisplay{}, [&](veldris::Progress&) {
        try {
            outcome = veldris::Diagnosis(client, sensor, translations, report).run();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    return failure;
}

void TVeldrisForm::ResetDiagnoseResultsBtnClick()
{
    diagnosisReport.clear();
    diagnosisResults.clear();
    DiagnoseOutput->clear();
}

// The box shows what the sensor says; nothing is ticked or started.
void TVeldrisForm::GetCurrentErrorsBtnClick()
{
    withBus([this] {
        const veldris::SdoResult error = veldris::getCurrentError(app.client(), addressedSensor());
        CurrentErrorOutput->setText(error.uploaded() ? hexText(static_cast<std::int32_t>(error.value)) : QStringLiteral("n/a"));
        sensorGave(error);
    });
}

void TVeldrisForm::CurrentValueCheckbox_OnClick()
{
    if (!withBus([this] { switchCurrentValue(); }))
        CurrentValueCheckbox->setChecked(!CurrentValueCheckbox->isChecked()); // nothing happened: as it was
}

// Ticked: the sensor is set up as for a diagnosis and the timer runs; cleared: the timer stops
// (unless the timer itself cleared the box after a refusal, and left its text).
void TVeldrisForm::switchCurrentValue()
{
    veldris::CanOpenClient& client = app.client();
    veldris::nmtResetCommunicationAll(client);
    veldris::nmtEnterPreOperationalAll(client);
    if (CurrentValueCheckbox->isChecked()) {
        if (veldris::reconnectSensor(client, addressedSensor()) != veldris::ReconnectResult::Done)
            uiServices().showMessage(this, translate("SRDO error. Use diagnose for more information."));
        else
            GetCurrentValueTimer->start();
    } else if (!valueDeclined) {
        GetCurrentValueTimer->stop();
        CurrentValueOutput->clear();
    }
    valueDeclined = false;
}

// A tick while a procedure or a handler holds the bus (also the tick's own message box) is
// skipped; the next tick tries again. The tick runs on the window's thread like the other short
// handlers: its exchanges and its wait for one TPDO frame (at most 20 wake-ups, 10 ms apart) keep
// the window busy for a few hundred milliseconds at most. Its waits are sleeps on the bus's stop
// signal, not an event loop, so no other handler runs in the middle of a tick.
void TVeldrisForm::GetCurrentValueTimer_OnTimer()
{
    const veldris::BusLease lease = app.client().tryLease();
    if (!lease || valueBusy)
        return;
    valueBusy = true;
    veldris::CanOpenClient& client = app.client();
    const auto pauseOnBus = [&client](std::chrono::milliseconds duration) { return client.pause(duration); };
    const veldris::SdoResult cob = veldris::getTpdoCobId(client, addressedSensor());
    if (!cob.uploaded()) {
        CurrentValueOutput->setText(QStringLiteral("n/a"));
    } else if (!veldris::pdoInactive(cob.value)) {
        const std::string text = veldris::currentValueText(client, addressedSensor(), pauseOnBus);
        CurrentValueOutput->setText(QString::fromLatin1(text));
        valueFailures = text == "n/a" ? valueFailures + 1 : 0;
        if (valueFailures > 10)
            uiServices().showMessage(this, translate("PDO Error. PLease start diagnose."));
    } else if (uiServices().askYesNo(
                   this, QString::fromStdString(veldris::message(veldris::Message::PdoError, app.translations)),
                   QString::fromStdString(veldris::message(veldris::Message::CobIdNotActive, app.translations)))) {
        veldris::activateTpdo(client, addressedSensor(), cob.value); // the value follows at the next tick
    } else {
        showSlotMessage(veldris::Message::CurrentValueNotFetched);
        GetCurrentValueTimer->stop();
        valueDeclined = true;
        CurrentValueOutput->setText(QStringLiteral("not active"));
        CurrentValueCheckbox->setChecked(false);
        switchCurrentValue(); // as the box's own click handler follows a change of its state
    }
    valueBusy = false;
}

// Saves the report buffer; a file that could not be written is reported and an existing one
// stays as it was.
void TVeldrisForm::ExportDiagnoseOutputBtnClick()
{
    const QString path = uiServices().runFileDialog(SaveDiagnosisDialog);
    if (path.isEmpty())
        return;
    std::string error;
    if (!veldris::writeReport(QFile::encodeName(path).toStdString(), diagnosisReport, !diagnosisResults.empty(), &error))
        uiServices().showMessage(this, translate("The report could not be saved:") + QStringLiteral("\n")
                                           + QString::fromLocal8Bit(error.c_str()));
}
