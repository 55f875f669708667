// DCF page: open a device configuration file and write it into the sensor.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/DropDownCombo.h"
#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include "app/UiServices.h"
#include "canopen/CanOpenClient.h"
#include "common/GUIProgress.h"
#include "dcf/DCFFile.h"
#include "dcf/DCFUpload.h"
#include "dcf/DownloadFrame.h"
#include "sensor/SensorInfo.h"

#include <QComboBox>
#include <QTreeWidget>

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

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
    DCFCompareBtn = named<QPushButton>("DCFCompareBtn");
    DCFCompareBtn->setEnabled(false);
    DCFSaveFromSensorBtn = named<QPushButton>("DCFSaveFromSensorBtn");
    DCFSaveFromSensorBtn->setEnabled(false);
    row->addWidget(DCFPathLabel);
    row->addWidget(DCFFilepathInput, 1);
    row->addWidget(DCFLoadBtn);
    row->addWidget(DCFUpdateBtn);
    row->addWidget(DCFCompareBtn);
    row->addWidget(DCFSaveFromSensorBtn);
    layout->addLayout(row);
    DCFOutput = named<QPlainTextEdit>("DCFOutput");
    DCFOutput->setReadOnly(true);
    layout->addWidget(DCFOutput, 1);
    OpenDCFDialog = namedFileDialog(this, "OpenDCFDialog", QStringLiteral("dcf (*.dcf)"), false);
    SaveDCFDialog = namedFileDialog(this, "SaveDCFDialog", QStringLiteral("dcf (*.dcf)"), true);
    SaveDCFDialog->setDefaultSuffix(QStringLiteral("dcf"));

    connectHandler(DCFLoadBtn, &QPushButton::clicked, this, &TVeldrisForm::DCFLoadBtnClick);
    connectHandler(DCFUpdateBtn, &QPushButton::clicked, this, &TVeldrisForm::DCFUpdateBtnClick);
    connectHandler(DCFCompareBtn, &QPushButton::clicked, this, &TVeldrisForm::DCFCompareBtnClick);
    connectHandler(DCFSaveFromSensorBtn, &QPushButton::clicked, this, &TVeldrisForm::DCFSaveFromSensorBtnClick);
    return card;
}

// Opens a DCF; "Write" waits for a sensor. The file's content is not shown.
void TVeldrisForm::DCFLoadBtnClick()
{
    const QString path = uiServices().runFileDialog(OpenDCFDialog);
    if (path.isEmpty())
        return;
    DCFFilepathInput->setText(path);
    DCFFilepathInput->setToolTip(path);
    if (app.dcf.load(QFile::encodeName(path).toStdString())) {
        dcfLoaded = true;
        for (QPushButton* button : {DCFUpdateBtn, DCFCompareBtn, DCFSaveFromSensorBtn})
            button->setEnabled(sensorSelected);
        return;
    }
    DCFOutput->appendPlainText(QStringLiteral("An error occured during DCF parsing"));
    for (QPushButton* button : {DCFUpdateBtn, DCFCompareBtn, DCFSaveFromSensorBtn})
        button->setEnabled(false);
    dcfLoaded = false;
}

// Writes the loaded DCF into the connected sensor on a worker. After the parameters were stored
// (percentage 100) the sensor has been reset and must be chosen again.
void TVeldrisForm::DCFUpdateBtnClick()
{
    DCFOutput->clear();
    // A typo in one value refuses the file before the first frame: no sensor is left half
    // configured by it.
    const auto node = addressedSensor().node();
    const std::vector<std::string> bad = veldris::badValues(app.dcf.sections(), node);
    if (!bad.empty()) {
        for (const std::string& line : bad)
            DCFOutput->appendPlainText(QString::fromLatin1(line));
        uiServices().showMessage(
            this, translate("The DCF was not written: a ParameterValue does not fit its DataType. Nothing was sent."));
        return;
    }
    DCFOutput->appendPlainText(QStringLiteral("attempting to upload dcf sections.."));
    veldris::GUIProgress progress;
    std::uint32_t shown = 0;
    setCursor(Qt::WaitCursor);
    const std::array<QWidget*, 7> locked = {TabTreeView,          DCFLoadBtn,   DCFUpdateBtn, DCFCompareBtn,
                                            DCFSaveFromSensorBtn, BitrateCombo, NodeIDCombo};
    for (QWidget* control : locked)
        control->setEnabled(false);
    const veldris::SensorInfo sensor = app.sensor;
    const std::vector<veldris::DCFSection> sections = app.dcf.sections();
    veldris::CanOpenClient& client = app.client();
    runOnWorker(progress, shown, DCFOutput, nullptr, [&client, sensor, sections](veldris::Progress& report) {
        veldris::DCFUpload(client, sensor, sections).run(report);
    });
    if (progress.progressValue() == 100) {
        showNoSensorState();
        return;
    }
    setCursor(Qt::ArrowCursor);
    for (QWidget* control : locked)
        control->setEnabled(true);
}
