// Basic page: the sensor's identity and the change of its node ID and bit rate.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/BitrateItems.h"
#include "app/WidgetFactory.h"

#include "app/UiServices.h"
#include "canopen/CanOpenClient.h"
#include "common/MessageSlots.h"
#include "app/TextConversion.h"
#include "sensor/SensorConnection.h"

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
QGroupBox* changeGroup(QGroupBox* group, QLabel* currentCaption, QLabel* currentValue, QWidget* newValue,
                       QPushButton* setButton)
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
    NewNodeIdInput->setToolTip(QStringLiteral("1..127"));
    ChangeNodeIdBtn = named<QPushButton>("ChangeNodeIdBtn");
    ChangeNodeIdBtn->setEnabled(false);
    layout->addWidget(
        changeGroup(NodeIdGroupBox, NodeIDCurrentValueLabel, CurrentNodeIdLabel, NewNodeIdInput, ChangeNodeIdBtn));

    BitRateGroupBox = named<QGroupBox>("BitRateGroupBox");
    BitRateCurrentValueLabel = named<QLabel>("BitRateCurrentValueLabel");
    CurrentBitrateLabel = named<QLabel>("CurrentBitrateLabel");
    NewBitrateCombo = named<QComboBox>("NewBitrateCombo");
    NewBitrateCombo->addItems(bitrateItems());
    NewBitrateCombo->setCurrentIndex(veldris::defaultBitrateIndex);
    ChangeBitrateBtn = named<QPushButton>("ChangeBitrateBtn");
    ChangeBitrateBtn->setEnabled(false);
    layout->addWidget(
        changeGroup(BitRateGroupBox, BitRateCurrentValueLabel, CurrentBitrateLabel, NewBitrateCombo, ChangeBitrateBtn));
    layout->addStretch(1);

    connectHandler(ChangeNodeIdBtn, &QPushButton::clicked, this, &TVeldrisForm::ChangeNodeIdBtnClick);
    connectHandler(ChangeBitrateBtn, &QPushButton::clicked, this, &TVeldrisForm::ChangeBitrateBtnClick);
    return card;
}

void TVeldrisForm::ChangeNodeIdBtnClick()
{
    const int newNode = veldris::toolkitToInt(NewNodeIdInput->text().toStdString());
    const int current = veldris::toolkitToInt(CurrentNodeIdLabel->text().toStdString());
    // A refused choice is told without asking for the bus, which may be busy.
    if (const auto refusal = veldris::nodeIdChangeRefusal(current, newNode)) {
        showSlotMessage(*refusal == veldris::ChangeResult::Unchanged ? veldris::Message::NodeIdUnchanged
                                                                     : veldris::Message::NodeIdOutOfRange);
        return;
    }
    const veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    const veldris::ChangeResult result = veldris::changeNodeId(app.client(), current, newNode);
    if (result == veldris::ChangeResult::Refused)
        return;
    if (result == veldris::ChangeResult::Changed)
        showSlotMessage(veldris::Message::ChangedNodeId);
    else
        uiServices().showMessage(this, translate("The new Node ID could not be stored in the sensor."));
    showNoSensorState(); // the sensor was reset either way: it must be scanned for again
}

void TVeldrisForm::ChangeBitrateBtnClick()
{
    const int wanted = NewBitrateCombo->currentIndex();
    if (veldris::bitrateChangeRefusal(BitrateCombo->currentIndex(), wanted)) {
        showSlotMessage(veldris::Message::BitrateAlreadySet); // the combo offers no other refusal
        return;
    }
    const int node = veldris::toolkitToInt(CurrentNodeIdLabel->text().toStdString());
    const veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    const veldris::ChangeResult result =
        veldris::changeBitrate(app.client(), static_cast<std::uint32_t>(node), BitrateCombo->currentIndex(), wanted);
    if (result == veldris::ChangeResult::Refused)
        return;
    if (result == veldris::ChangeResult::Changed)
        uiServices().showMessage(this,
                                 QString::fromStdString(veldris::message(veldris::Message::BitrateChangedTo, app.translations))
                                     + NewBitrateCombo->currentText());
    else
        uiServices().showMessage(this, translate("The new bit rate could not be stored in the sensor."));
    showNoSensorState(); // the adapter keeps its bit rate until the user chooses the new one
}

void TVeldrisForm::showSlotMessage(veldris::Message slot)
{
    uiServices().showMessage(this, QString::fromStdString(veldris::message(slot, app.translations)));
}
