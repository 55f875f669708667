// Basic page: the sensor's identity and the change of its node ID and bit rate.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/BitrateItems.h"
#include "app/WidgetFactory.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A group with a "Current Value:" row and a row that takes the new value and a "Set" button.
QGroupBox* changeGroup(QGroupBox* group, QLabel* currentCaption, QLabel* currentValue,
                       QWidget* newValue, QPushButton* setButton)
{
    auto* form = new QFormLayout(group);
    currentValue->setText(QStringLiteral("n/a"));
    form->addRow(currentCaption, currentValue);
    auto* row = new QHBoxLayout;
    row->addWidget(newValue, 1);
    row->addWidget(setButton);
    form->addRow(QString(), row);
    return group;
}

} // namespace

QWidget* TVeldrisForm::buildBasicTab()
{
    auto* card = named<QWidget>("BasicTab");
    auto* layout = new QVBoxLayout(card);

    auto* identity = new QFormLayout;
    addNamedRow(identity, UIDLabel, "UIDLabel", UIDInput, "UIDInput");
    addNamedRow(identity, FWVersionLabel, "FWVersionLabel", FWVersionInput, "FWVersionInput");
    addNamedRow(identity, ItemNumberLabel, "ItemNumberLabel", ItemNumberInput, "ItemNumberInput");
    addNamedRow(identity, SerialNumberLabel, "SerialNumberLabel", SerialNumberInput, "SerialNumberInput");
    for (QLineEdit* field : {UIDInput, FWVersionInput, ItemNumberInput, SerialNumberInput}) {
        field->setReadOnly(true);
        field->setEnabled(false);
    }
    layout->addLayout(identity);

    NodeIdGroupBox = named<QGroupBox>("NodeIdGroupBox");
    NodeIDCurrentValueLabel = named<QLabel>("NodeIDCurrentValueLabel");
    CurrentNodeIdLabel = named<QLabel>("CurrentNodeIdLabel");
    NewNodeIdInput = named<QLineEdit>("NewNodeIdInput");
    ChangeNodeIdBtn = named<QPushButton>("ChangeNodeIdBtn");
    ChangeNodeIdBtn->setEnabled(false);
    layout->addWidget(changeGroup(NodeIdGroupBox, NodeIDCurrentValueLabel, CurrentNodeIdLabel,
                                  NewNodeIdInput, ChangeNodeIdBtn));

    BitRateGroupBox = named<QGroupBox>("BitRateGroupBox");
    BitRateCurrentValueLabel = named<QLabel>("BitRateCurrentValueLabel");
    CurrentBitrateLabel = named<QLabel>("CurrentBitrateLabel");
    NewBitrateCombo = named<QComboBox>("NewBitrateCombo");
    NewBitrateCombo->addItems(bitrateItems());
    NewBitrateCombo->setCurrentIndex(defaultBitrateIndex);
    ChangeBitrateBtn = named<QPushButton>("ChangeBitrateBtn");
    ChangeBitrateBtn->setEnabled(false);
    layout->addWidget(changeGroup(BitRateGroupBox, BitRateCurrentValueLabel, CurrentBitrateLabel,
                                  NewBitrateCombo, ChangeBitrateBtn));
    layout->addStretch(1);

    connectHandler(ChangeNodeIdBtn, &QPushButton::clicked, this, &TVeldrisForm::ChangeNodeIdBtnClick);
    connectHandler(ChangeBitrateBtn, &QPushButton::clicked, this, &TVeldrisForm::ChangeBitrateBtnClick);
    return card;
}

void TVeldrisForm::ChangeNodeIdBtnClick() {}

void TVeldrisForm::ChangeBitrateBtnClick() {}
