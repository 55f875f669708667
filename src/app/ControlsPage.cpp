// Controls page: single parameter reads and writes, and the NMT commands. The page tree
// offers no entry for it; its handlers serve tests and service work.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "app/TextConversion.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorInfo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct ParameterRow {
    const char* caption;
    QLineEdit*& field;
    const char* fieldName;
    QPushButton*& get;
    const char* getName;
    QPushButton** set; // nullptr for read-only parameters
    const char* setName;
};

void addParameterRow(QGridLayout* grid, int row, const ParameterRow& p)
{
    p.field = named<QLineEdit>(p.fieldName);
    p.get = named<QPushButton>(p.getName);
    p.get->setText(QStringLiteral("Get"));
    auto* caption = new QLabel(QString::fromLatin1(p.caption));
    caption->setBuddy(p.field);
    grid->addWidget(caption, row, 0);
    grid->addWidget(p.field, row, 1);
    grid->addWidget(p.get, row, 2);
    if (p.set) {
        *p.set = named<QPushButton>(p.setName);
        (*p.set)->setText(QStringLiteral("Set"));
        grid->addWidget(*p.set, row, 3);
    }
}

} // namespace

QWidget* TVeldrisForm::buildControlsTab()
{
    auto* card = named<QWidget>("ControlsTab");
    auto* layout = new QVBoxLayout(card);
    auto* parameters = new QGroupBox(QStringLiteral("Parameters"));
    auto* grid = new QGridLayout(parameters);
    const ParameterRow rows[] = {
        {"Heartbeat [ms]:", HeartbeatValInput, "HeartbeatValInput", GetHeartbeatBtn, "GetHeartbeatBtn", &SetHeartbeatBtn,
         "SetHeartbeatBtn"},
        {"TPDO 1 mapping:", PDOMappingValInput, "PDOMappingValInput", GetPDOMappingBtn, "GetPDOMappingBtn", nullptr, nullptr},
        {"TPDO 1 COB-ID:", PDOCobIdValInput, "PDOCobIdValInput", GetPDOCobIdBtn, "GetPDOCobIdBtn", nullptr, nullptr},
        {"TPDO 1 event timer [ms]:", PDOEventTimerValInput, "PDOEventTimerValInput", GetPDOEventTimerBtn, "GetPDOEventTimerBtn",
         &SetPDOEventTimerBtn, "SetPDOEventTimerBtn"},
        {"SRDO 1 mapping:", SRDOMappingValInput, "SRDOMappingValInput", GetSRDOMappingBtn, "GetSRDOMappingBtn", nullptr,
         nullptr},
        {"SRDO 1 COB-ID:", SRDOCobIdValInput, "SRDOCobIdValInput", GetSRDOCobIdBtn, "GetSRDOCobIdBtn", nullptr, nullptr},
        {"SRDO 1 cycle time [ms]:", SRDOEventTimerValInput, "SRDOEventTimerValInput", GetSRDOEventTimerBtn,
         "GetSRDOEventTimerBtn", nullptr, nullptr},
    };
    int row = 0;
    for (const ParameterRow& parameter : rows)
        addParameterRow(grid, row++, parameter);
    grid->setColumnStretch(1, 1);
    // The fields that are sent say which numbers their objects take.
    HeartbeatValInput->setToolTip(QStringLiteral("0..65535"));
    PDOEventTimerValInput->setToolTip(QStringLiteral("0..65535"));
    layout->addWidget(parameters);

    auto* nmt = new QGroupBox(QStringLiteral("NMT"));
    auto* nmtRow = new QHBoxLayout(nmt);
    StartSensorBtn = named<QPushButton>("StartSensorBtn");
    StartSensorBtn->setText(QStringLiteral("Start"));
    PreopSensorBtn = named<QPushButton>("PreopSensorBtn");
    PreopSensorBtn->setText(QStringLiteral("Pre-operational"));
    ResetSensorBtn = named<QPushButton>("ResetSensorBtn");
    ResetSensorBtn->setText(QStringLiteral("Reset"));
    for (QPushButton* button : {StartSensorBtn, PreopSensorBtn, ResetSensorBtn})
        nmtRow->addWidget(button);
    nmtRow->addStretch(1);
    layout->addWidget(nmt);
    layout->addStretch(1);

    const std::pair<QPushButton*, void (TVeldrisForm::*)()> handlers[] = {
        {GetHeartbeatBtn, &TVeldrisForm::GetHeartbeatBtnClick},
        {SetHeartbeatBtn, &TVeldrisForm::SetHeartbeatBtnClick},
        {GetPDOMappingBtn, &TVeldrisForm::GetPDOMappingBtnClick},
        {GetPDOCobIdBtn, &TVeldrisForm::GetPDOCobIdBtnClick},
        {GetPDOEventTimerBtn, &TVeldrisForm::GetPDOEventTimerBtnClick},
        {SetPDOEventTimerBtn, &TVeldrisForm::SetPDOEventTimerBtnClick},
        {GetSRDOMappingBtn, &TVeldrisForm::GetSRDOMappingBtnClick},
        {GetSRDOCobIdBtn, &TVeldrisForm::GetSRDOCobIdBtnClick},
        {GetSRDOEventTimerBtn, &TVeldrisForm::GetSRDOEventTimerBtnClick},
        {StartSensorBtn, &TVeldrisForm::StartSensorBtnClick},
        {PreopSensorBtn, &TVeldrisForm::PreopSensorBtnClick},
        {ResetSensorBtn, &TVeldrisForm::ResetSensorBtnClick},
    };
    for (const auto& [button, handler] : handlers)
        connectHandler(button, &QPushButton::clicked, this, handler);
    return card;
}

// The NMT buttons show nothing and ignore the result; start addresses the connected sensor,
// the other two every node.
void TVeldrisForm::StartSensorBtnClick()
{
    const int node = addressedSensor().node();
    withBus([this, node] { veldris::nmtStartNode(app.client(), static_cast<std::uint8_t>(node)); });
}

void TVeldrisForm::PreopSensorBtnClick()
{
    withBus([this] { veldris::nmtEnterPreOperationalAll(app.client()); });
}

void TVeldrisForm::ResetSensorBtnClick()
{
    withBus([this] { veldris::nmtResetCommunicationAll(app.client()); });
}

// Get fills the field with the value the sensor gave; a read that gave none clears it (the
// heartbeat shows -1) and says what came instead. Set sends a typed number only when its object
// takes it, and says when the sensor did not take it.
void TVeldrisForm::SetHeartbeatBtnClick()
{
    const auto value = typedNumber(HeartbeatValInput, veldris::NumberRange::unsignedBytes(2), "0x1017:00");
    if (value)
        withBus([this, value] {
            sensorGave(veldris::setHeartbeat(app.client(), addressedSensor(), static_cast<std::uint16_t>(*value)));
        });
}

void TVeldrisForm::GetHeartbeatBtnClick()
{
    withBus([this] {
        const veldris::SdoResult read = veldris::getHeartbeat(app.client(), addressedSensor());
        HeartbeatValInput->setText(QString::number(read.uploaded() ? static_cast<std::int32_t>(read.value) : -1));
        sensorGave(read);
    });
}

void TVeldrisForm::showBytes(QLineEdit* field, veldris::SdoResult (*read)(veldris::CanOpenClient&, const veldris::SensorInfo&),
                             bool srdoCobId)
{
    withBus([this, field, read, srdoCobId] {
        const veldris::SdoResult result = read(app.client(), addressedSensor());
        field->setText(
            QString::fromLatin1(veldris::byteText(srdoCobId ? veldris::srdoCobIdBytes(result) : veldris::valueBytes(result))));
        sensorGave(result);
    });
}

void TVeldrisForm::showNumber(QLineEdit* field, veldris::SdoResult (*read)(veldris::CanOpenClient&, const veldris::SensorInfo&))
{
    withBus([this, field, read] {
        const veldris::SdoResult result = read(app.client(), addressedSensor());
        field->setText(result.uploaded() ? QString::number(result.value) : QString());
        sensorGave(result);
    });
}

void TVeldrisForm::GetPDOMappingBtnClick()
{
    showBytes(PDOMappingValInput, veldris::getTpdoMapping, false);
}
void TVeldrisForm::GetPDOCobIdBtnClick()
{
    showBytes(PDOCobIdValInput, veldris::getTpdoCobId, false);
}
void TVeldrisForm::GetPDOEventTimerBtnClick()
{
    showNumber(PDOEventTimerValInput, veldris::getTpdoEventTimer);
}

void TVeldrisForm::SetPDOEventTimerBtnClick()
{
    const auto value = typedNumber(PDOEventTimerValInput, veldris::NumberRange::unsignedBytes(2), "0x1800:05");
    if (value)
        withBus([this, value] {
            sensorGave(veldris::setTpdoEventTimer(app.client(), addressedSensor(), static_cast<std::uint16_t>(*value)));
        });
}

void TVeldrisForm::GetSRDOMappingBtnClick()
{
    showBytes(SRDOMappingValInput, veldris::getSrdoMapping, false);
}
void TVeldrisForm::GetSRDOCobIdBtnClick()
{
    showBytes(SRDOCobIdValInput, veldris::getSrdoCobId, true);
}
void TVeldrisForm::GetSRDOEventTimerBtnClick()
{
    showNumber(SRDOEventTimerValInput, veldris::getSrdoCycleTime);
}
