// The window's states: no sensor, sensor selected, and the two locks of long operations.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/DropDownCombo.h"
#include "sensor/SensorInfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <initializer_list>

namespace {

void enable(std::initializer_list<QWidget*> widgets, bool enabled)
{
    for (QWidget* widget : widgets)
        widget->setEnabled(enabled);
}

} // namespace

void TVeldrisForm::showNoSensorState()
{
    sensorSelected = false;
    setCursor(Qt::ArrowCursor);
    NodeIDCombo->clear();
    enable({BitrateCombo, NodeIDCombo}, true);
    CurrentNodeIdLabel->setText(QStringLiteral("n/a"));
    CurrentBitrateLabel->setText(QStringLiteral("n/a"));
    NewNodeIdInput->clear();
    enable({ChangeNodeIdBtn, ChangeBitrateBtn}, false);
    for (QLineEdit* field : {UIDInput, FWVersionInput, ItemNumberInput, SerialNumberInput})
        field->clear();
    enable({CRCLoadBtn, CRCSaveBtn, DCFUpdateBtn, DCFCompareBtn, DCFSaveFromSensorBtn, FWUpdateBtn}, false);
    FWLoadBtn->setEnabled(true);
    enable({FWForceCheckbox, ErrorLogReadBtn}, false);
    TabTreeView->setEnabled(true);
    enable({DiagnoseStartBtn, ExportDiagnoseOutputBtn, GetCurrentErrorsBtn, CurrentValueCheckbox}, false);
    CurrentValueOutput->clear();
    CurrentErrorOutput->clear();
}

void TVeldrisForm::showConnectedState()
{
    sensorSelected = true;
    enable({ChangeNodeIdBtn, ChangeBitrateBtn, CRCLoadBtn, CRCSaveBtn}, true);
    if (dcfLoaded)
        enable({DCFUpdateBtn, DCFCompareBtn, DCFSaveFromSensorBtn}, true);
    enable({FWForceCheckbox, ErrorLogReadBtn, DiagnoseStartBtn, TabTreeView, BitrateCombo, NodeIDCombo, GetCurrentErrorsBtn,
            CurrentValueCheckbox},
           true);
    CurrentValueCheckbox->setChecked(false);
    enable({ResetDiagnoseResultsBtn, ExportDiagnoseOutputBtn}, true);
    CurrentValueOutput->clear();
    DCFLoadBtn->setEnabled(true);
    SRDODiagnoseGroupbox->setVisible(app.sensor.variantCode == 2);
    if (MethodSelectionCombo->currentIndex() != -1)
        FWUpdateBtn->setEnabled(true);
}

void TVeldrisForm::lockForFirmwareUpdate()
{
    enable({TabTreeView, FWUpdateBtn, FWForceCheckbox, FWLoadBtn, BitrateCombo, NodeIDCombo, MethodSelectionCombo}, false);
}

void TVeldrisForm::lockForDiagnosis()
{
    enable({TabTreeView, BitrateCombo, NodeIDCombo, DiagnoseStartBtn}, false);
    CurrentValueCheckbox->setEnabled(false);
    CurrentValueCheckbox->setChecked(false);
    GetCurrentValueTimer->stop();
    enable({GetCurrentErrorsBtn, ExportDiagnoseOutputBtn, ResetDiagnoseResultsBtn}, false);
    CurrentValueOutput->clear();
    CurrentErrorOutput->clear();
}
