// FW Update page: open a firmware package, choose a method and update the sensor.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/DropDownCombo.h"
#include "app/WidgetFactory.h"

#include "app/UiServices.h"
#include "canopen/CanOpenClient.h"
#include "common/GUIProgress.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareUpdate.h"
#include "sensor/SensorInfo.h"

#include <optional>

#include <QCheckBox>
#include <QFile>
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

// Opens a firmware package and offers its methods; no method is chosen yet.
void TVeldrisForm::FWLoadBtnClick()
{
    const QString path = uiServices().runFileDialog(OpenFWUpdate);
    if (path.isEmpty())
        return;
    MethodSelectionCombo->clear();
    FWUpdateBtn->setEnabled(false);
    veldris::FirmwarePackage& package = app.package;
    const std::string error = package.loadPackage(QFile::encodeName(path).toStdString());
    if (!error.empty()) {
        uiServices().showMessage(this, QString::fromStdString(error));
        return;
    }
    MethodSelectionCombo->setEnabled(true);
    for (const veldris::HandlingModule& method : package.methods())
        MethodSelectionCombo->addItem(QString::fromLatin1(method.name));
    MethodSelectionCombo->setCurrentIndex(-1);
}

// Lists the versions of the chosen method's modules; "Update" needs a sensor or "Force".
void TVeldrisForm::MethodSelectionCombo_OnCloseup()
{
    FWUpdateOutput->clear();
    const int chosen = MethodSelectionCombo->currentIndex();
    if (chosen < 0)
        return;
    const veldris::FirmwarePackage& package = app.package;
    for (const std::string& line : package.methods().at(static_cast<std::size_t>(chosen)).lines)
        for (const veldris::FirmwareModule& module : package.modules())
            if (module.name == line)
                FWUpdateOutput->appendPlainText(QStringLiteral("version: ") + QString::fromLatin1(module.version));
    FWUpdateBtn->setEnabled(NodeIDCombo->currentIndex() != -1 || FWForceCheckbox->isChecked());
}

void TVeldrisForm::FWForceCheckboxClick()
{
    FWUpdateBtn->setEnabled(MethodSelectionCombo->currentIndex() != -1 && FWForceCheckbox->isChecked());
}

// Writes the modules of the chosen method, one after the other, into the sensor through its
// bootloader; the output shows every module's lines and the bar each module's progress. The
// sensor restarts afterwards and must be chosen again, whatever the outcome. One worker runs
// the modules in turn, so that the bus stays with the update between them.
void TVeldrisForm::FWUpdateBtnClick()
{
    FWUpdateOutput->clear();
    lockForFirmwareUpdate();
    veldris::GUIProgress progress;
    std::uint32_t shown = 0;
    const veldris::FirmwarePackage& package = app.package;
    const int chosen = MethodSelectionCombo->currentIndex();
    std::vector<std::optional<veldris::FirmwareModule>> modules;
    if (chosen >= 0 && static_cast<std::size_t>(chosen) < package.methods().size())
        for (const std::string& name : package.methods()[static_cast<std::size_t>(chosen)].lines)
            modules.push_back(package.findModule(name) ? std::optional(*package.findModule(name)) : std::nullopt);
    const bool force = FWForceCheckbox->isChecked();
    const veldris::SensorInfo sensor = app.sensor;
    setCursor(Qt::WaitCursor);
    veldris::CanOpenClient& client = app.client();
    runOnWorker(
        progress, shown, FWUpdateOutput, FWUpdateProgressBar, [&client, modules, force, sensor](veldris::Progress& report) {
            veldris::FirmwareUpdate update(client, sensor, force);
            for (const auto& module : modules)
                if (update.update(module ? &*module : nullptr, report).outcome == veldris::ModuleUpdateResult::Outcome::Stopped)
                    return;
        });
    setCursor(Qt::ArrowCursor);
    MethodSelectionCombo->setEnabled(true);
    showNoSensorState();
}
