// FW Update page: open a firmware package, choose a method and update the sensor.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/DropDownCombo.h"
#include "app/WidgetFactory.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

QWidget* TVeldrisForm::buildFirmwareTab()
{
    auto* card = named<QWidget>("FWUpdateTab");
    auto* layout = new QVBoxLayout(card);
    auto* row = new QHBoxLayout;
    FWLoadBtn = named<QPushButton>("FWLoadBtn");
    FWMethodLabel = named<QLabel>("FWMethodLabel");
    MethodSelectionCombo = named<DropDownCombo>("MethodSelectionCombo");
    MethodSelectionCombo->setEnabled(false);
    FWMethodLabel->setBuddy(MethodSelectionCombo);
    FWForceCheckbox = named<QCheckBox>("FWForceCheckbox");
    FWForceCheckbox->setEnabled(false);
    FWUpdateBtn = named<QPushButton>("FWUpdateBtn");
    FWUpdateBtn->setEnabled(false);
    row->addWidget(FWLoadBtn);
    row->addSpacing(12);
    row->addWidget(FWMethodLabel);
    row->addWidget(MethodSelectionCombo, 1);
    row->addWidget(FWForceCheckbox);
    row->addWidget(FWUpdateBtn);
    layout->addLayout(row);
    FWUpdateProgressBar = named<QProgressBar>("FWUpdateProgressBar");
    FWUpdateProgressBar->setRange(0, 100);
    FWUpdateProgressBar->setValue(0);
    layout->addWidget(FWUpdateProgressBar);
    FWUpdateOutput = named<QPlainTextEdit>("FWUpdateOutput");
    FWUpdateOutput->setReadOnly(true);
    layout->addWidget(FWUpdateOutput, 1);
    OpenFWUpdate = namedFileDialog(this, "OpenFWUpdate", QStringLiteral("kfu (*.kfu)"), false);

    connectHandler(FWLoadBtn, &QPushButton::clicked, this, &TVeldrisForm::FWLoadBtnClick);
    connectHandler(MethodSelectionCombo, &DropDownCombo::closeUp, this, &TVeldrisForm::MethodSelectionCombo_OnCloseup);
    connectHandler(FWForceCheckbox, &QCheckBox::clicked, this, &TVeldrisForm::FWForceCheckboxClick);
    connectHandler(FWUpdateBtn, &QPushButton::clicked, this, &TVeldrisForm::FWUpdateBtnClick);
    return card;
}

void TVeldrisForm::FWLoadBtnClick() {}

void TVeldrisForm::MethodSelectionCombo_OnCloseup() {}

void TVeldrisForm::FWForceCheckboxClick() {}

void TVeldrisForm::FWUpdateBtnClick() {}
