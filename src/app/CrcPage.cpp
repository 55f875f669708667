// CRC page: the SRDO configuration values and their checksum.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

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

void TVeldrisForm::CRCLoadBtnClick() {}

void TVeldrisForm::CRCCalcBtnClick() {}

void TVeldrisForm::CRCSaveBtnClick() {}
