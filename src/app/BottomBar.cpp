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
#include "sensor/NodeIdentity.h"
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

// Opening the node list re-opens the adapter at the chosen bit rate and scans the bus (a
// fraction of a second, during which the window shows the wait cursor); the list fills as the
// answers come, and then tells for each node what it is.
void TVeldrisForm::NodeIDCombo_OnDropdown()
{
    const veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Repaints are posted events, and some windowing systems send a cursor change only when the
    // event loop flushes: the pending events are processed once, so that the wait cursor and
    // the pressed list show before the thread blocks.
    QApplication::processEvents();
    nodesFound = false;
    FWForceCheckbox->setChecked(false);
    NodeIDCombo->clear();
    veldris::CanOpenClient& client = app.client();
    veldris::openBus(client, 0, BitrateCombo->currentIndex());
    const veldris::NodeScan scan = veldris::scanNodes(client, [this](std::int32_t node) { addFoundNode(node); });
    describeFoundNodes(scan.complete() ? scan.nodes : std::vector<std::int32_t>{});
    QApplication::restoreOverrideCursor();
    if (!scan.complete())
        uiServices().showMessage(this, translate("The scan is incomplete:") + QStringLiteral("\n")
                                           + QString::fromStdString(scan.refused));
    for (std::int32_t node : scan.conflicts)
        uiServices().showMessage(this,
                                 translate("More than one device answered as node %1: they share its node ID.").arg(node));
}

// A node's item goes in at its place in the ascending list as its answer comes; the list shows
// it at once, while the window still takes no input.
void TVeldrisForm::addFoundNode(std::int32_t node)
{
    int position = 0;
    while (position < NodeIDCombo->count() && NodeIDCombo->itemText(position).toInt() < node)
        ++position;
    NodeIDCombo->insertItem(position, QString::number(node));
    nodesFound = true;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Each item's tooltip says whether the node is a sensor of the family (its UID) or another
// CANopen device (its identity objects).
void TVeldrisForm::describeFoundNodes(const std::vector<std::int32_t>& nodes)
{
    veldris::CanOpenClient& client = app.client();
    for (std::int32_t node : nodes) {
        if (client.stopRequested())
            return;
        const veldris::NodeIdentity identity = veldris::identifyNode(client, node);
        if (!identity.refused.empty())
            return;
        const int position = NodeIDCombo->findText(QString::number(node));
        const QString kind = identity.family ? translate("Sensor of this family") : translate("Other CANopen device");
        const QString text = identity.answered ? kind + QStringLiteral("\n") + QString::fromStdString(identity.summary())
                                               : translate("No answer to the identity requests");
        NodeIDCombo->setItemData(position, text, Qt::ToolTipRole);
    }
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
