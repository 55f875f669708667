// Error Log page: read the sensor's error log, open and save .kel files.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include "app/UiServices.h"
#include "common/MessageSlots.h"
#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorLog.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

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

void TVeldrisForm::ErrorLogReadBtnClick() {}

// Saves the log of the last readout; a file that could not be written is reported.
void TVeldrisForm::ErrorLogSaveBtnClick()
{
    const QString path = uiServices().runFileDialog(SaveErrorLogDialog);
    if (path.isEmpty())
        return;
    std::string error;
    if (!veldris::errorLog().save(QFile::encodeName(path).toStdString(), &error))
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
    std::int32_t status = 0;
    const std::vector<veldris::ErrorLogRow> rows = veldris::errorLog().load(QFile::encodeName(path).toStdString(), status);
    if (!showStatus(status, ErrorLogHandler::Open))
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
    if (status == veldris::errorLogMissing) {
        showSlotMessage(slot(Message::ReadErrorlogMissing, Message::OpenErrorlogMissing));
    } else if (status == veldris::errorLogNotValid) {
        showSlotMessage(slot(Message::ReadErrorlogNotValid, Message::OpenErrorlogNotValid));
    } else {
        // The program cannot go on without its files: the window closes after the message.
        if (status == -3)
            showSlotMessage(slot(Message::ReadConfigFilesMissing, Message::OpenConfigFilesMissing));
        else
            uiServices().showMessage(this, QString::fromStdString(veldris::message(slot(Message::ReadMajorFailure, Message::OpenMajorFailure)))
                                               + QString::number(status));
        close();
        return false;
    }
    return true;
}