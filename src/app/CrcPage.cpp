// CRC page: the SRDO configuration values and their checksum.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include "canopen/CanOpenClient.h"
#include "common/MessageSlots.h"
#include "app/TextConversion.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QWidget* TVeldrisForm::buildCrcTab()
{
    auto* card = named<QWidget>("CRCTab");
    auto* layout = new QVBoxLayout(card);
    auto* groups = new QHBoxLayout;

    CRC1301GroupBox = named<QGroupBox>("CRC1301GroupBox");
    auto* form1301 = new QFormLayout(CRC1301GroupBox);
    addNamedRow(form1301, CRC1301Sub1Label, "CRC1301Sub1Label", CRC1301Sub1Input, "CRC1301Sub1Input");
    addNamedRow(form1301, CRC1301Sub2Label, "CRC1301Sub2Label", CRC1301Sub2Input, "CRC1301Sub2Input");
    addNamedRow(form1301, CRC1301Sub3Label, "CRC1301Sub3Label", CRC1301Sub3Input, "CRC1301Sub3Input");
    addNamedRow(form1301, CRC1301Sub5Label, "CRC1301Sub5Label", CRC1301Sub5Input, "CRC1301Sub5Input");
    addNamedRow(form1301, CRC1301Sub6Label, "CRC1301Sub6Label", CRC1301Sub6Input, "CRC1301Sub6Input");
    groups->addWidget(CRC1301GroupBox, 1);

    CRC1381GroupBox = named<QGroupBox>("CRC1381GroupBox");
    auto* form1381 = new QFormLayout(CRC1381GroupBox);
    addNamedRow(form1381, CRC1381Sub0Label, "CRC1381Sub0Label", CRC1381Sub0Input, "CRC1381Sub0Input");
    addNamedRow(form1381, CRC1381Sub1Label, "CRC1381Sub1Label", CRC1381Sub1Input, "CRC1381Sub1Input");
    addNamedRow(form1381, CRC1381Sub2Label, "CRC1381Sub2Label", CRC1381Sub2Input, "CRC1381Sub2Input");
    groups->addWidget(CRC1381GroupBox, 1, Qt::AlignTop);
    layout->addLayout(groups);

    auto* checksum = new QFormLayout;
    addNamedRow(checksum, CRCChecksumLabel, "CRCChecksumLabel", CRCChecksumInput, "CRCChecksumInput");
    CRCChecksumInput->setEnabled(false);
    layout->addLayout(checksum);

    auto* buttons = new QHBoxLayout;
    CRCLoadBtn = named<QPushButton>("CRCLoadBtn");
    CRCCalcBtn = named<QPushButton>("CRCCalcBtn");
    CRCSaveBtn = named<QPushButton>("CRCSaveBtn");
    CRCLoadBtn->setEnabled(false);
    CRCSaveBtn->setEnabled(false);
    buttons->addWidget(CRCLoadBtn);
    buttons->addWidget(CRCCalcBtn);
    buttons->addWidget(CRCSaveBtn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connectHandler(CRCLoadBtn, &QPushButton::clicked, this, &TVeldrisForm::CRCLoadBtnClick);
    connectHandler(CRCCalcBtn, &QPushButton::clicked, this, &TVeldrisForm::CRCCalcBtnClick);
    connectHandler(CRCSaveBtn, &QPushButton::clicked, this, &TVeldrisForm::CRCSaveBtnClick);
    return card;
}

namespace {

QString hexText(std::uint32_t value, int digits)
{
    return QString::asprintf("0x%0*X", digits, value);
}

} // namespace

// The eight value boxes in the order the checksum takes the values.
std::array<QLineEdit*, 8> TVeldrisForm::srdoValueInputs() const
{
    return {CRC1301Sub1Input, CRC1301Sub2Input, CRC1301Sub3Input, CRC1301Sub5Input,
            CRC1301Sub6Input, CRC1381Sub0Input, CRC1381Sub1Input, CRC1381Sub2Input};
}

// The values typed into the boxes, decimal or "0x" hexadecimal (a text that is no number ends
// the handler with the conversion's message).
veldris::SrdoValues TVeldrisForm::srdoValuesFromInputs() const
{
    veldris::SrdoValues values{};
    const auto inputs = srdoValueInputs();
    for (std::size_t i = 0; i < inputs.size(); ++i)
        values[i] = static_cast<std::uint32_t>(veldris::toolkitToInt(inputs[i]->text().toStdString()));
    return values;
}

void TVeldrisForm::CRCLoadBtnClick()
{
    const auto node = static_cast<std::uint32_t>(veldris::toolkitToInt(CurrentNodeIdLabel->text().toStdString()));
    const veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    veldris::CanOpenClient& client = app.client();
    const veldris::SrdoConfiguration configuration = veldris::loadSrdoConfiguration(client, node);
    const auto inputs = srdoValueInputs();
    for (std::size_t i = 0; i < inputs.size(); ++i)
        inputs[i]->setText(hexText(configuration.values[i], 8));
    const veldris::SdoResult checksum = veldris::readSrdoChecksum(client, node);
    CRCChecksumInput->setText(hexText(checksum.value, 4));
    // Values that were not read show as 0; the message says which read gave none.
    if (configuration.failure)
        sensorGave(*configuration.failure);
    else
        sensorGave(checksum);
}

void TVeldrisForm::CRCCalcBtnClick()
{
    CRCChecksumInput->setText(hexText(veldris::computeSrdoChecksum(srdoValuesFromInputs()), 4));
}

// The checksum is computed afresh from the boxes; the checksum box is not read.
void TVeldrisForm::CRCSaveBtnClick()
{
    const veldris::SrdoValues values = srdoValuesFromInputs();
    const auto node = static_cast<std::uint32_t>(veldris::toolkitToInt(CurrentNodeIdLabel->text().toStdString()));
    const veldris::BusLease lease = leaseBus();
    if (!lease)
        return;
    const bool saved = veldris::saveSrdoChecksum(app.client(), node, values).confirmed();
    showSlotMessage(saved ? veldris::Message::ChecksumSaved : veldris::Message::ChecksumNotSaved);
}
