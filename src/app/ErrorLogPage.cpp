// Error Log page: read the sensor's error log, open and save .kel files.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include "app/DropDownCombo.h"
#include "app/UiServices.h"
#include "app/WorkerFollower.h"
#include "canopen/CanOpenClient.h"
#include "common/DataDirectory.h"
#include "common/GUIProgress.h"
#include "common/MessageSlots.h"
#include "errorlog/DescriptionFile.h"
#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorLogReadout.h"
#include "sensor/SensorInfo.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

QWidget* TVeldrisForm::buildErrorLogTab()
{
    auto* card = named<QWidget>("ErrorLogTab");
    auto* layout = new QVBoxLayout(card);
    auto* row = new QHBoxLayout;
    ErrorLogLoadBtn = named<QPushButton>("ErrorLogLoadBtn");
    ErrorLogReadBtn = named<QPushButton>("ErrorLogReadBtn");
    ErrorLogReadBtn->setEnabled(false);
    ErrorLogSaveBtn = named<QPushButton>("ErrorLogSaveBtn");
    ErrorLogSaveBtn->setEnabled(false);
    row->addWidget(ErrorLogLoadBtn);
    row->addWidget(ErrorLogReadBtn);
    row->addWidget(ErrorLogSaveBtn);
    row->addStretch(1);
    layout->addLayout(row);

    // A report-style list: one row per entry, four columns, nothing to expand.
    ErrorOutput = named<QTreeWidget>("ErrorOutput");
    ErrorOutput->setColumnCount(4);
    ErrorOutput->setRootIsDecorated(false);
    ErrorOutput->setUniformRowHeights(true);
    ErrorOutput->setAlternatingRowColors(true);
    ErrorOutput->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ErrorOutput->header()->setStretchLastSection(true);
    ErrorOutput->setColumnWidth(0, 150);
    ErrorOutput->setColumnWidth(1, 110);
    ErrorOutput->setColumnWidth(2, 260);
    layout->addWidget(ErrorOutput, 1);
    OpenErrorLogDialog = namedFileDialog(this, "OpenErrorLogDialog", QStringLiteral("kel (*.kel)"), false);
    SaveErrorLogDialog = namedFileDialog(this, "SaveErrorLogDialog", QStringLiteral("kel (*.kel)"), true);
    SaveErrorLogDialog->setWindowTitle(QStringLiteral("Save ErrorLog"));
    SaveErrorLogDialog->selectFile(QStringLiteral("errorlog.kel"));
    SaveErrorLogDialog->setDefaultSuffix(QStringLiteral("kel"));

    connectHandler(ErrorLogLoadBtn, &QPushButton::clicked, this, &TVeldrisForm::ErrorLogLoadBtnClick);
    connectHandler(ErrorLogReadBtn, &QPushButton::clicked, this, &TVeldrisForm::ErrorLogReadBtnClick);
    connectHandler(ErrorLogSaveBtn, &QPushButton::clicked, this, &TVeldrisForm::ErrorLogSaveBtnClick);
    return card;
}

// Reads the error log out of the connected sensor (64 uploads per 256-byte block: seconds) on a
// worker, with its progress in the status bar, and lists its rows once it is complete.
void TVeldrisForm::ErrorLogReadBtnClick()
{
    ErrorOutput->clear();
    ErrorLogSaveBtn->setEnabled(false);
    const veldris::SensorInfo sensor = app.sensor;
    if (const std::string refusal = veldris::identityProblem(sensor); !refusal.empty()) {
        uiServices().showMessage(this, translate(refusal.c_str()));
        return;
    }
    const std::array<QWidget*, 5> locked = {ErrorLogReadBtn, ErrorLogLoadBtn, TabTreeView, BitrateCombo, NodeIDCombo};
    for (QWidget* control : locked)
        control->setEnabled(false);
    const QString reading = translate("Reading the error log:");
    const WorkerDisplay display{
        [this](const QString& line) { StatusBar1->showMessage(line); },
        [this, reading](int percent) { StatusBar1->showMessage(reading + QStringLiteral(" %1 %").arg(percent)); }};
    veldris::GUIProgress progress;
    std::uint32_t shown = 0;
    veldris::ErrorLogReadout readout;
    const std::string description = app.data.path(veldris::descriptionFileName);
    veldris::CanOpenClient& client = app.client();
    const bool ran = runOnWorker(progress, shown, display, [&client, &readout, sensor, description](veldris::Progress& report) {
        readout = veldris::readErrorLog(client, sensor, description, report);
    });
    for (QWidget* control : locked)
        control->setEnabled(true);
    if (!ran || readout.stopped)
        return;
    StatusBar1->clearMessage();
    if (!showStatus(veldris::statusNumber(readout.status), ErrorLogHandler::Read)
        || readout.status != veldris::ErrorLogStatus::Ok)
        return;
    veldris::ErrorLog& log = app.errorLog;
    log.buildImage(readout.descriptor, readout.memory);
    const std::vector<veldris::ErrorLogRow> rows = log.rows();
    ErrorLogSaveBtn->setEnabled(!rows.empty());
    showRows(rows);
    if (!readout.complete())
        StatusBar1->showMessage(translate("The error log is incomplete:") + QStringLiteral(" ")
                                + QString::fromStdString(readout.incompleteReason()));
    else if (readout.unreadWords > 0)
        StatusBar1->showMessage(translate("Words of the error log that could not be read, shown as erased memory (0xFF):")
                                + QStringLiteral(" ") + QString::number(readout.unreadWords));
}

// Saves the log of the last readout; a file that could not be written is reported.
void TVeldrisForm::ErrorLogSaveBtnClick()
{
    const QString path = uiServices().runFileDialog(SaveErrorLogDialog);
    if (path.isEmpty())
        return;
    std::string error;
    if (!app.errorLog.save(QFile::encodeName(path).toStdString(), &error))
        uiServices().showMessage(this, translate("The error log could not be saved:") + QStringLiteral("\n")
                                           + QString::fromLocal8Bit(error.c_str()));
}

// Opens a .kel file; no sensor is needed. Saving stays off: only a readout offers it.
void TVeldrisForm::ErrorLogLoadBtnClick()
{
    const QString path = uiServices().runFileDialog(OpenErrorLogDialog);
    if (path.isEmpty())
        return;
    ErrorLogSaveBtn->setEnabled(false);
    ErrorOutput->clear();
    veldris::ErrorLogStatus status = veldris::ErrorLogStatus::Ok;
    const std::vector<veldris::ErrorLogRow> rows = app.errorLog.load(QFile::encodeName(path).toStdString(), status);
    if (!showStatus(veldris::statusNumber(status), ErrorLogHandler::Open))
        return;
    showRows(rows);
}

void TVeldrisForm::showRows(const std::vector<veldris::ErrorLogRow>& rows)
{
    for (const veldris::ErrorLogRow& row : rows) {
        auto* item = new QTreeWidgetItem(ErrorOutput);
        item->setText(0, QString::number(row.timestamp));
        item->setText(1, QString::fromStdString(veldris::errorNumberText(row.errorBits)));
        item->setText(2, QString::fromStdString(row.text));
        item->setText(3, QString::fromStdString(row.valueText));
    }
}

// The reaction of the Read and Open handlers to a negative status; false when the window was
// closed and the handler must stop.
bool TVeldrisForm::showStatus(std::int32_t status, ErrorLogHandler handler)
{
    using veldris::Message;
    if (status >= 0)
        return true;
    const bool open = handler == ErrorLogHandler::Open;
    const auto slot = [open](Message read, Message opened) { return open ? opened : read; };
    if (status == veldris::statusNumber(veldris::ErrorLogStatus::Missing)) {
        showSlotMessage(slot(Message::ReadErrorlogMissing, Message::OpenErrorlogMissing));
    } else if (status == veldris::statusNumber(veldris::ErrorLogStatus::NotValid)) {
        showSlotMessage(slot(Message::ReadErrorlogNotValid, Message::OpenErrorlogNotValid));
    } else {
        // The program cannot go on without its files: the window closes after the message.
        if (status == veldris::statusNumber(veldris::ErrorLogStatus::ConfigMissing))
            showSlotMessage(slot(Message::ReadConfigFilesMissing, Message::OpenConfigFilesMissing));
        else
            uiServices().showMessage(this, QString::fromStdString(veldris::message(
                                               slot(Message::ReadMajorFailure, Message::OpenMajorFailure), app.translations))
                                               + QString::number(status));
        close();
        return false;
    }
    return true;
}
