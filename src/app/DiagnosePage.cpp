// Diagnose page: timing diagnosis of the cyclic messages, current value and current error.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include "canopen/CanOpenClient.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

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
    groups->addWidget(timingGroup("PDODiagnoseGroupbox", PDODiagnoseGroupbox,
                                  {PDOEventTimerMemoryLabel, "PDOEventTimerMemoryLabel", PDOEventTimerLabel, "PDOEventTimerLabel"},
                                  {PDOEventTimerActualLabel, "PDOEventTimerActualLabel", PDOEventTimerValue, "PDOEventTimerValue"}));
    groups->addWidget(timingGroup("HBDiagnoseGroupbox", HBDiagnoseGroupbox,
                                  {HBEventTimerMemoryLabel, "HBEventTimerMemoryLabel", HBEventTimerValue, "HBEventTimerValue"},
                                  {HBEventTimerActualLabel, "HBEventTimerActualLabel", HBEventTimerLabel, "HBEventTimerLabel"}));
    groups->addWidget(timingGroup("SRDODiagnoseGroupbox", SRDODiagnoseGroupbox,
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

void TVeldrisForm::DiagnoseStartBtnClick() {}

void TVeldrisForm::ResetDiagnoseResultsBtnClick() {}

void TVeldrisForm::CurrentValueCheckbox_OnClick() {}

// A tick while a procedure holds the bus (or while a handler that holds it lets the window
// process events) is skipped; the next tick tries again.
void TVeldrisForm::GetCurrentValueTimer_OnTimer()
{
    const veldris::BusLease lease = veldris::canOpenClient().tryLease();
    if (!lease)
        return;
}

void TVeldrisForm::GetCurrentErrorsBtnClick() {}

void TVeldrisForm::ExportDiagnoseOutputBtnClick() {}
