// DCF page: open a device configuration file and write it into the sensor.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QWidget* TVeldrisForm::buildDcfTab()
{
    auto* card = named<QWidget>("DCFTab");
    auto* layout = new QVBoxLayout(card);
    auto* row = new QHBoxLayout;
    DCFPathLabel = named<QLabel>("DCFPathLabel");
    DCFFilepathInput = namedDisplayField("DCFFilepathInput");
    DCFLoadBtn = named<QPushButton>("DCFLoadBtn");
    DCFUpdateBtn = named<QPushButton>("DCFUpdateBtn");
    DCFUpdateBtn->setEnabled(false);
    row->addWidget(DCFPathLabel);
    row->addWidget(DCFFilepathInput, 1);
    row->addWidget(DCFLoadBtn);
    row->addWidget(DCFUpdateBtn);
    layout->addLayout(row);
    DCFOutput = named<QPlainTextEdit>("DCFOutput");
    DCFOutput->setReadOnly(true);
    layout->addWidget(DCFOutput, 1);
    OpenDCFDialog = namedFileDialog(this, "OpenDCFDialog", QStringLiteral("dcf (*.dcf)"), false);

    connectHandler(DCFLoadBtn, &QPushButton::clicked, this, &TVeldrisForm::DCFLoadBtnClick);
    connectHandler(DCFUpdateBtn, &QPushButton::clicked, this, &TVeldrisForm::DCFUpdateBtnClick);
    return card;
}

void TVeldrisForm::DCFLoadBtnClick() {}

void TVeldrisForm::DCFUpdateBtnClick() {}
