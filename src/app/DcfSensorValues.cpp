// DCF page: the sensor's values of the loaded DCF, compared with it ("Compare") or saved into a
// copy of it ("Save from sensor…").

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/DropDownCombo.h"
#include "app/UiServices.h"
#include "canopen/CanOpenClient.h"
#include "common/AtomicFile.h"
#include "common/FileContent.h"
#include "common/GUIProgress.h"
#include "dcf/DCFFile.h"
#include "dcf/DcfComparison.h"
#include "dcf/DcfReadout.h"
#include "dcf/DcfTemplate.h"
#include "dcf/DownloadFrame.h"
#include "sensor/SensorInfo.h"

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <array>

bool TVeldrisForm::readDcfFromSensor(const std::vector<veldris::DCFSection>& sections, veldris::DcfReadout& readout)
{
    DCFOutput->clear();
    const auto node = addressedSensor().node();
    // A typo in one value refuses the file for reading as for writing.
    const std::vector<std::string> bad = veldris::badValues(sections, node);
    if (!bad.empty()) {
        for (const std::string& line : bad)
            DCFOutput->appendPlainText(QString::fromLatin1(line));
        uiServices().showMessage(
            this, translate("A ParameterValue of the DCF does not fit its DataType. Nothing was read from the sensor."));
        return false;
    }
    DCFOutput->appendPlainText(QStringLiteral("reading dcf sections from the sensor.."));
    veldris::GUIProgress progress;
    std::uint32_t shown = 0;
    const std::array<QWidget*, 7> locked = {TabTreeView,          DCFLoadBtn,   DCFUpdateBtn, DCFCompareBtn,
                                            DCFSaveFromSensorBtn, BitrateCombo, NodeIDCombo};
    for (QWidget* control : locked)
        control->setEnabled(false);
    veldris::CanOpenClient& client = app.client();
    const bool ran =
        runOnWorker(progress, shown, DCFOutput, nullptr, [&client, &readout, node, sections](veldris::Progress& report) {
            readout = veldris::readDcfValues(client, node, sections, report);
        });
    for (QWidget* control : locked)
        control->setEnabled(true);
    if (ran && !readout.refused.empty())
        DCFOutput->appendPlainText(QString::fromLatin1("The readout is incomplete: " + readout.refused));
    return ran && !readout.stopped;
}

// The loaded DCF against the sensor: the line of each section that is not equal, then how many.
void TVeldrisForm::DCFCompareBtnClick()
{
    const std::vector<veldris::DCFSection> sections = app.dcf.sections();
    veldris::DcfReadout readout;
    if (!readDcfFromSensor(sections, readout))
        return;
    const veldris::DcfComparison comparison = veldris::compareWithSensor(readout, sections, addressedSensor().node());
    for (const veldris::EntryComparison& entry : comparison.entries)
        if (entry.counts())
            DCFOutput->appendPlainText(QString::fromLatin1(veldris::differenceLine(entry)));
    DCFOutput->appendPlainText(comparison.allEqual() && readout.complete()
                                   ? QStringLiteral("The sensor holds every value of the DCF.")
                                   : QStringLiteral("Sections that are not equal: %1").arg(comparison.differences));
}

// Saves the loaded DCF, read again from its file so that every byte around the values stays, with
// the sensor's values. An incomplete readout saves nothing; entries that could not be read are
// saved without ParameterValue.
void TVeldrisForm::DCFSaveFromSensorBtnClick()
{
    const QString target = uiServices().runFileDialog(SaveDCFDialog);
    if (target.isEmpty())
        return;
    const veldris::FileContent content(app.dcf.path());
    veldris::DCFFile dcf;
    if (!content.ok() || !dcf.loadText(std::string(content.bytes()), app.dcf.path())) {
        uiServices().showMessage(this, translate("The DCF could not be read again:") + QStringLiteral("\n")
                                           + QString::fromLocal8Bit(app.dcf.path().c_str()));
        return;
    }
    veldris::DcfReadout readout;
    if (!readDcfFromSensor(dcf.sections(), readout))
        return;
    if (!readout.complete()) {
        uiServices().showMessage(this, translate("The readout is incomplete. Nothing was saved."));
        return;
    }
    const auto node = addressedSensor().node();
    const std::string bytes =
        veldris::editParameterValues(content.bytes(), dcf.sections(), veldris::editsOf(readout, dcf.sections(), node));
    std::string error;
    if (!veldris::writeFileAtomically(QFile::encodeName(target).toStdString(), bytes, &error)) {
        uiServices().showMessage(this, translate("The DCF could not be saved:") + QStringLiteral("\n")
                                           + QString::fromLocal8Bit(error.c_str()));
        return;
    }
    std::size_t unread = 0;
    for (const veldris::EntryReading& entry : readout.entries) {
        if (!entry.failed)
            continue;
        ++unread;
        DCFOutput->appendPlainText(QString::fromLatin1("Not read: section at line " + std::to_string(entry.headerLine) + " ("
                                                       + entry.object().text() + "): " + entry.reason));
    }
    DCFOutput->appendPlainText(QStringLiteral("Saved ") + target);
    if (unread > 0)
        uiServices().showMessage(this, translate("Entries that could not be read have no ParameterValue in the saved DCF."));
}
