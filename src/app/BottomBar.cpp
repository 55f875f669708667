// The bottom bar: bit-rate and node-ID choosers, and the node-ID combo's remembered text.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/BitrateItems.h"
#include "app/DropDownCombo.h"
#include "app/UiServices.h"
#include "app/WidgetFactory.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "sensor/SensorConnection.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

QWidget* TVeldrisForm::buildBottomBar()
{
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 4, 0, 0);
    BitRateLabel = named<QLabel>("BitRateLabel");
    BitrateCombo = named<QComboBox>("BitrateCombo");
    BitrateCombo->addItems(bitrateItems());
    BitrateCombo->setCurrentIndex(veldris::defaultBitrateIndex);
    NodeIdLabel = named<QLabel>("NodeIdLabel");
    NodeIDCombo = named<DropDownCombo>("NodeIDCombo");
    NodeIDCombo->setMinimumWidth(90);
    BitRateLabel->setBuddy(BitrateCombo);
    NodeIdLabel->setBuddy(NodeIDCombo);
    layout->addWidget(BitRateLabel);
    layout->addWidget(BitrateCombo);
    layout->addSpacing(16);
    layout->addWidget(NodeIdLabel);
    layout->addWidget(NodeIDCombo);
    layout->addStretch(1);

    connectHandler(NodeIDCombo, &DropDownCombo::dropDown, this, &TVeldrisForm::NodeIDCombo_OnDropdown);
    connectHandler(NodeIDCombo, &DropDownCombo::closeUp, this, &TVeldrisForm::NodeIDCombo_OnCloseup);
    connectHandler(NodeIDCombo, &DropDownCombo::entered, this, &TVeldrisForm::NodeIDComboEnter);
    connectHandler(NodeIDCombo, &DropDownCombo::exited, this, &TVeldrisForm::NodeIDComboExit);
    connectHandler(NodeIDCombo, &QComboBox::activated, this, &TVeldrisForm::NodeIDComboSelect);
    return bar;
}

void TVeldrisForm::NodeIDComboEnter()
{
    lastNodeIdText = NodeIDCombo->currentText();
}

void TVeldrisForm::NodeIDComboSelect()
{
    lastNodeIdText = NodeIDCombo->currentText();
}

// The combo is a drop-down list: it can only show one of its items, so the remembered text
// shows again when the re-filled list still holds it, and the combo is empty otherwise.
void TVeldrisForm::NodeIDComboExit()
{
    NodeIDCombo->setCurrentIndex(NodeIDCombo->findText(lastNodeIdText));
}

// Opening the node list re-opens the adapter at the chosen bit rate and scans the bus (about
// four seconds, during which the window shows the wait cursor).
void TVeldrisForm::NodeIDCombo_OnDropdown()
{
    const veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The scan below blocks this thread for about four seconds. Repaints are posted events, and
    // some windowing systems send a cursor change only when the event loop flushes: the pending
    // events are processed once, so that the wait cursor and the pressed list show before the
    // thread blocks.
    QApplication::processEvents();
    nodesFound = false;
    FWForceCheckbox->setChecked(false);
    NodeIDCombo->clear();
    veldris::CanOpenClient& client = app.client();
    veldris::openBus(client, 0, BitrateCombo->currentIndex());
    const veldris::NodeScan scan = veldris::scanNodes(client);
    for (std::int32_t node : scan.nodes) {
        NodeIDCombo->addItem(QString::number(node));
        nodesFound = true;
    }
    QApplication::restoreOverrideCursor();
    if (!scan.complete())
        uiServices().showMessage(this, translate("The scan is incomplete:") + QStringLiteral("\n")
                                           + QString::fromStdString(scan.refused));
}

// Choosing a node connects to that sensor: access code, UID, object layout and identity.
void TVeldrisForm::NodeIDCombo_OnCloseup()
{
    if (NodeIDCombo->currentIndex() == -1)
        showNoSensorState();
    else
        connectChosenNode();
    // A forced firmware update is offered only when no node answered the scan.
    if (nodesFound) {
        FWForceCheckbox->setChecked(false);
        FWForceCheckbox->setEnabled(false);
    } else {
        FWForceCheckbox->setEnabled(true);
    }
}

void TVeldrisForm::connectChosenNode()
{
    const veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    const veldris::Connection connection = veldris::connectToSensor(app.client(), NodeIDCombo->currentText().toStdString());
    const veldris::IdentityReads& reads = connection.reads;
    app.sensor = connection.sensor;
    showConnectedState();
    const veldris::SensorInfo& sensor = app.sensor;
    CurrentNodeIdLabel->setText(QString::fromLatin1(sensor.nodeId));
    CurrentBitrateLabel->setText(BitrateCombo->currentText());
    UIDInput->setText(QString::fromLatin1(sensor.uid));
    FWVersionInput->setText(QString::fromLatin1(sensor.firmwareVersion));
    ItemNumberInput->setText(QString::fromLatin1(sensor.itemNumber));
    SerialNumberInput->setText(QString::fromLatin1(sensor.serialNumber));
    // The fields of reads that gave no value keep the zeros of a silent sensor; a node that
    // answered one of them otherwise (an abort) is told, with what came instead. A silent
    // node is told by the pages, whose reads then fail.
    if (const veldris::SdoResult* failed = reads.firstFailure(); failed && failed->answered())
        sensorGave(*failed);
}
