// Error Log page: read the sensor's error log, open and save .kel files.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

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

void TVeldrisForm::ErrorLogSaveBtnClick() {}

void TVeldrisForm::ErrorLogLoadBtnClick() {}
