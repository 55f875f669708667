// The main window: its controls, page switching, window states, the node combo's remembered
// text, closing and the display of escaped exceptions.

#include "app/DropDownCombo.h"
#include "app/HandlerConnection.h"
#include "app/TVeldrisForm.h"
#include "sensor/SensorInfo.h"

#include "FakeUiServices.h"
#include "GuiFixture.h"
#include "GuiTestData.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <stdexcept>

namespace {

// Every control of the window, by its design name.
const char* const allControls[] = {
    "MainMenu1", "File1", "Language1", "German1", "English1", "Chinese1", "Japanese1", "File2", "Help1",
    "Manual1", "Help2", "BitRateLabel", "BitrateCombo", "NodeIdLabel", "NodeIDCombo", "StatusBar1",
    "TabTreeView", "Tabs", "BasicTab", "CRCTab", "DCFTab", "FWUpdateTab", "ErrorLogTab", "DiagnoseTab",
    "DebugTab", "ControlsTab", "UIDLabel", "UIDInput", "FWVersionLabel", "FWVersionInput", "ItemNumberLabel",
    "ItemNumberInput", "SerialNumberLabel", "SerialNumberInput", "NodeIdGroupBox", "NodeIDCurrentValueLabel",
    "CurrentNodeIdLabel", "NewNodeIdInput", "ChangeNodeIdBtn", "BitRateGroupBox", "BitRateCurrentValueLabel",
    "CurrentBitrateLabel", "NewBitrateCombo", "ChangeBitrateBtn", "CRC1301GroupBox", "CRC1301Sub1Label",
    "CRC1301Sub1Input", "CRC1301Sub2Label", "CRC1301Sub2Input", "CRC1301Sub3Label", "CRC1301Sub3Input",
    "CRC1301Sub5Label", "CRC1301Sub5Input", "CRC1301Sub6Label", "CRC1301Sub6Input", "CRC1381GroupBox",
    "CRC1381Sub0Label", "CRC1381Sub0Input", "CRC1381Sub1Label", "CRC1381Sub1Input", "CRC1381Sub2Label",
    "CRC1381Sub2Input", "CRCChecksumLabel", "CRCChecksumInput", "CRCLoadBtn", "CRCCalcBtn", "CRCSaveBtn",
    "DCFPathLabel", "DCFFilepathInput", "DCFLoadBtn", "DCFUpdateBtn", "DCFOutput", "OpenDCFDialog",
    "FWLoadBtn", "FWMethodLabel", "MethodSelectionCombo", "FWForceCheckbox", "FWUpdateBtn",
    "FWUpdateProgressBar", "FWUpdateOutput", "OpenFWUpdate", "ErrorLogLoadBtn", "ErrorLogReadBtn",
    "ErrorLogSaveBtn", "ErrorOutput", "OpenErrorLogDialog", "SaveErrorLogDialog", "DiagnoseStartBtn",
    "ResetDiagnoseResultsBtn", "ExportDiagnoseOutputBtn", "PDODiagnoseGroupbox", "PDOEventTimerMemoryLabel",
    "PDOEventTimerLabel", "PDOEventTimerActualLabel", "PDOEventTimerValue", "HBDiagnoseGroupbox",
    "HBEventTimerMemoryLabel", "HBEventTimerValue", "HBEventTimerActualLabel", "HBEventTimerLabel",
    "SRDODiagnoseGroupbox", "SRDOEventTimerMemoryLabel", "SRDOEventTimerLabel", "SRDOEventTimerActualLabel",
    "SRDOEventTimerValue", "CurrentValueCheckbox", "CurrentValueOutput", "CurrentErrorLabel",
    "CurrentErrorOutput", "GetCurrentErrorsBtn", "DiagnoseOutput", "GetCurrentValueTimer",
    "SaveDiagnosisDialog", "HeartbeatValInput", "GetHeartbeatBtn", "SetHeartbeatBtn", "PDOMappingValInput",
    "GetPDOMappingBtn", "PDOCobIdValInput", "GetPDOCobIdBtn", "PDOEventTimerValInput", "GetPDOEventTimerBtn",
    "SetPDOEventTimerBtn", "SRDOMappingValInput", "GetSRDOMappingBtn", "SRDOCobIdValInput", "GetSRDOCobIdBtn",
    "SRDOEventTimerValInput", "GetSRDOEventTimerBtn", "StartSensorBtn", "PreopSensorBtn", "ResetSensorBtn",
    "DemoBtn",
};

// The controls whose enabled state the window states decide.
const char* const stateControls[] = {
    "BitrateCombo", "NodeIDCombo", "TabTreeView", "ChangeNodeIdBtn", "ChangeBitrateBtn", "CRCLoadBtn",
    "CRCSaveBtn", "DCFLoadBtn", "DCFUpdateBtn", "FWLoadBtn", "FWUpdateBtn", "FWForceCheckbox",
    "MethodSelectionCombo", "ErrorLogReadBtn", "DiagnoseStartBtn", "ResetDiagnoseResultsBtn",
    "ExportDiagnoseOutputBtn", "GetCurrentErrorsBtn", "CurrentValueCheckbox",
};

QStringList enabledOf(const TVeldrisForm& form)
{
    QStringList enabled;
    for (const char* name : stateControls)
        if (form.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled())
            enabled << QString::fromLatin1(name);
    return enabled;
}

QStringList names(std::initializer_list<const char*> list)
{
    QStringList result;
    for (const char* name : list)
        result << QString::fromLatin1(name);
    return result;
}

void clickNode(TVeldrisForm& form, const QString& text)
{
    QTreeWidgetItem* item = form.TabTreeView->findItems(text, Qt::MatchExactly).value(0);
    QVERIFY(item);
    const QRect area = form.TabTreeView->visualItemRect(item);
    QTest::mouseClick(form.TabTreeView->viewport(), Qt::LeftButton, {}, area.center());
}

// Handlers that fail the way a handler with a bad input field does.
class ThrowingHandlers : public QObject {
public:
    void badNumber() { throw std::invalid_argument("invalid stoi argument"); }
    void anything() { throw 42; }

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::out_of_range("stoi argument out of range");
        return QObject::event(event);
    }
};

void sendFocus(QWidget* widget, QEvent::Type type)
{
    QFocusEvent event(type, Qt::TabFocusReason);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class MainWindowTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(true); }
    void cleanup() { tearDown(); }

    void everyControlCarriesItsName()
    {
        for (const char* name : allControls)
            QVERIFY2(form->findChild<QObject*>(QString::fromLatin1(name)), name);
        QCOMPARE(form->objectName(), QStringLiteral("VeldrisForm"));
        QCOMPARE(form->windowTitle(), QStringLiteral("KAVRO Veldris"));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void startsWithoutSensor()
    {
        QCOMPARE(enabledOf(*form), names({"BitrateCombo", "NodeIDCombo", "TabTreeView", "DCFLoadBtn", "FWLoadBtn",
                                          "ResetDiagnoseResultsBtn"}));
        for (const char* name : {"UIDInput", "FWVersionInput", "ItemNumberInput", "SerialNumberInput",
                                 "ErrorLogSaveBtn", "CRCChecksumInput", "DebugTab"})
            QVERIFY2(!form->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(!form->Japanese1->isEnabled());
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden());
        QVERIFY(!form->GetCurrentValueTimer->isActive());
        QCOMPARE(form->GetCurrentValueTimer->interval(), 1000);
        QCOMPARE(form->Tabs->currentWidget(), form->BasicTab);
        QCOMPARE(form->BitrateCombo->currentIndex(), 3);
        QCOMPARE(form->BitrateCombo->currentText(), QStringLiteral("125 kBit/s"));
        QCOMPARE(form->NewBitrateCombo->count(), 6);
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QStringList nodes;
        for (int i = 0; i < form->TabTreeView->topLevelItemCount(); ++i)
            nodes << form->TabTreeView->topLevelItem(i)->text(0);
        QCOMPARE(nodes, names({"Basic", "CRC", "DCF", "FW Update", "Error Log", "Diagnose"}));
    }

    void treeClickShowsItsCard_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("card");
        QTest::newRow("Basic") << "Basic" << "BasicTab";
        QTest::newRow("CRC") << "CRC" << "CRCTab";
        QTest::newRow("DCF") << "DCF" << "DCFTab";
        QTest::newRow("FW Update") << "FW Update" << "FWUpdateTab";
        QTest::newRow("Error Log") << "Error Log" << "ErrorLogTab";
        QTest::newRow("Diagnose") << "Diagnose" << "DiagnoseTab";
    }

    void treeClickShowsItsCard()
    {
        QFETCH(QString, node);
        QFETCH(QString, card);
        clickNode(*form, node);
        QCOMPARE(form->Tabs->currentWidget()->objectName(), card);
    }

    void clickIntoEmptyTreeChangesNothing()
    {
        form->Tabs->setCurrentWidget(form->ErrorLogTab);
        const QPoint below(10, form->TabTreeView->viewport()->height() - 5);
        QVERIFY(!form->TabTreeView->itemAt(below));
        QTest::mouseClick(form->TabTreeView->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(form->Tabs->currentWidget(), form->ErrorLogTab);
    }

    void hiddenCardsAreStillMapped()
    {
        // The tree offers no "Controls" or "Debug" node; the handler maps the texts anyway.
        auto* controls = new QTreeWidgetItem(QStringList{QStringLiteral("Controls")});
        form->TabTreeView->addTopLevelItem(controls);
        clickNode(*form, QStringLiteral("Controls"));
        QCOMPARE(form->Tabs->currentWidget(), form->ControlsTab);
    }

    void leavingDiagnoseStopsTheCurrentValue()
    {
        clickNode(*form, QStringLiteral("Diagnose"));
        form->CurrentValueCheckbox->setChecked(true);
        form->GetCurrentValueTimer->start();
        clickNode(*form, QStringLiteral("Diagnose"));
        QVERIFY(form->CurrentValueCheckbox->isChecked()); // staying on the page keeps it
        QVERIFY(form->GetCurrentValueTimer->isActive());

        clickNode(*form, QStringLiteral("CRC"));
        QVERIFY(!form->CurrentValueCheckbox->isChecked());
        QVERIFY(!form->GetCurrentValueTimer->isActive());
        clickNode(*form, QStringLiteral("Diagnose"));
        QVERIFY(!form->CurrentValueCheckbox->isChecked());
        QVERIFY(!form->GetCurrentValueTimer->isActive());
    }

    void connectedStateEnablesTheSensorOperations()
    {
        form->showConnectedState();
        QCOMPARE(enabledOf(*form),
                 names({"BitrateCombo", "NodeIDCombo", "TabTreeView", "ChangeNodeIdBtn", "ChangeBitrateBtn",
                        "CRCLoadBtn", "CRCSaveBtn", "DCFLoadBtn", "FWLoadBtn", "FWForceCheckbox",
                        "ErrorLogReadBtn", "DiagnoseStartBtn", "ResetDiagnoseResultsBtn",
                        "ExportDiagnoseOutputBtn", "GetCurrentErrorsBtn", "CurrentValueCheckbox"}));
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden());
    }

    void connectedStateWithDcfAndMethod()
    {
        form->dcfLoaded = true;
        form->MethodSelectionCombo->addItem(QStringLiteral("Application"));
        form->MethodSelectionCombo->setCurrentIndex(0);
        form->CurrentValueCheckbox->setChecked(true);
        form->CurrentValueOutput->setText(QStringLiteral("12.5mA"));
        form->showConnectedState();
        QVERIFY(form->DCFUpdateBtn->isEnabled());
        QVERIFY(form->FWUpdateBtn->isEnabled());
        QVERIFY(!form->CurrentValueCheckbox->isChecked());
        QVERIFY(form->CurrentValueOutput->text().isEmpty());
    }

    void srdoGroupFollowsTheVariant()
    {
        veldris::connectedSensor().variantCode = 2;
        form->showConnectedState();
        QVERIFY(!form->SRDODiagnoseGroupbox->isHidden());
        veldris::connectedSensor().variantCode = 10;
        form->showConnectedState();
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden());
        veldris::connectedSensor().variantCode = 2;
        form->showConnectedState();
        QVERIFY(!form->SRDODiagnoseGroupbox->isHidden());
    }

    void noSensorStateForgetsTheSensor()
    {
        form->showConnectedState();
        form->NodeIDCombo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        form->CurrentNodeIdLabel->setText(QStringLiteral("5"));
        form->CurrentBitrateLabel->setText(QStringLiteral("125 kBit/s"));
        form->NewNodeIdInput->setText(QStringLiteral("6"));
        form->UIDInput->setText(QStringLiteral("0x06102200"));
        form->CurrentErrorOutput->setText(QStringLiteral("0x00000000"));
        form->showNoSensorState();
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
        QCOMPARE(form->CurrentBitrateLabel->text(), QStringLiteral("n/a"));
        QVERIFY(form->NewNodeIdInput->text().isEmpty());
        QVERIFY(form->UIDInput->text().isEmpty());
        QVERIFY(form->CurrentErrorOutput->text().isEmpty());
        // DCFLoadBtn and ResetDiagnoseResultsBtn keep what the connected state gave them.
        QCOMPARE(enabledOf(*form), names({"BitrateCombo", "NodeIDCombo", "TabTreeView", "DCFLoadBtn", "FWLoadBtn",
                                          "ResetDiagnoseResultsBtn"}));
    }

    void firmwareUpdateLock()
    {
        form->MethodSelectionCombo->setEnabled(true);
        form->showConnectedState();
        form->lockForFirmwareUpdate();
        const QStringList enabled = enabledOf(*form);
        for (const char* name : {"TabTreeView", "FWUpdateBtn", "FWForceCheckbox", "FWLoadBtn", "BitrateCombo",
                                 "NodeIDCombo", "MethodSelectionCombo"})
            QVERIFY2(!enabled.contains(QString::fromLatin1(name)), name);
        QVERIFY(enabled.contains(QStringLiteral("DiagnoseStartBtn"))); // the lock touches nothing else
    }

    void diagnosisLock()
    {
        form->showConnectedState();
        form->CurrentValueCheckbox->setChecked(true);
        form->GetCurrentValueTimer->start();
        form->CurrentValueOutput->setText(QStringLiteral("4.00mA"));
        form->CurrentErrorOutput->setText(QStringLiteral("0x00000000"));
        form->lockForDiagnosis();
        const QStringList enabled = enabledOf(*form);
        for (const char* name : {"TabTreeView", "BitrateCombo", "NodeIDCombo", "DiagnoseStartBtn",
                                 "CurrentValueCheckbox", "GetCurrentErrorsBtn", "ExportDiagnoseOutputBtn",
                                 "ResetDiagnoseResultsBtn"})
            QVERIFY2(!enabled.contains(QString::fromLatin1(name)), name);
        QVERIFY(enabled.contains(QStringLiteral("ChangeNodeIdBtn")));
        QVERIFY(!form->CurrentValueCheckbox->isChecked());
        QVERIFY(!form->GetCurrentValueTimer->isActive());
        QVERIFY(form->CurrentValueOutput->text().isEmpty());
        QVERIFY(form->CurrentErrorOutput->text().isEmpty());
    }

    void nodeComboRemembersItsText()
    {
        DropDownCombo* combo = form->NodeIDCombo;
        combo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        combo->setCurrentIndex(0);
        sendFocus(combo, QEvent::FocusIn);
        QCOMPARE(form->lastNodeIdText, QStringLiteral("5"));
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QCOMPARE(form->lastNodeIdText, QStringLiteral("32"));

        // The list is filled anew without the chosen node: leaving shows nothing.
        combo->clear();
        combo->addItems({QStringLiteral("5"), QStringLiteral("7")});
        combo->setCurrentIndex(0);
        sendFocus(combo, QEvent::FocusOut);
        QCOMPARE(combo->currentText(), QString());

        // ... and with it: leaving shows the remembered node again.
        combo->clear();
        combo->addItems({QStringLiteral("7"), QStringLiteral("32")});
        combo->setCurrentIndex(0);
        sendFocus(combo, QEvent::FocusOut);
        QCOMPARE(combo->currentText(), QStringLiteral("32"));
        QVERIFY(!combo->isEditable());
    }

    void escapedExceptionIsShownAndTheWindowStaysUsable()
    {
        ThrowingHandlers handlers;
        auto* badNumber = new QPushButton(QStringLiteral("bad number"), form->DebugTab);
        auto* anything = new QPushButton(QStringLiteral("anything"), form->DebugTab);
        connectHandler(badNumber, &QPushButton::clicked, &handlers, &ThrowingHandlers::badNumber);
        connectHandler(anything, &QPushButton::clicked, &handlers, &ThrowingHandlers::anything);
        form->DebugTab->setEnabled(true);
        form->Tabs->setCurrentWidget(form->DebugTab);

        QTest::mouseClick(badNumber, Qt::LeftButton);
        QTest::mouseClick(anything, Qt::LeftButton);
        QCOMPARE(ui->errors, QStringList({QStringLiteral("invalid stoi argument"), QString()}));
        QVERIFY(form->isVisible());
        QVERIFY(!badNumber->isDown());
        clickNode(*form, QStringLiteral("CRC"));
        QCOMPARE(form->Tabs->currentWidget(), form->CRCTab);
    }

    void exceptionFromAnyEventReachesTheApplication()
    {
        ThrowingHandlers handlers;
        QCoreApplication::postEvent(&handlers, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(ui->errors, QStringList({QStringLiteral("stoi argument out of range")}));
        QVERIFY(form->isVisible());
    }

    void closeEndsTheWindow()
    {
        form->File2->trigger();
        QVERIFY(!form->isVisible());
    }

    void applicationDirectoryIsTheExecutablesFolder()
    {
        QCOMPARE(form->applicationDirectory, QCoreApplication::applicationDirPath());
        QVERIFY(!form->applicationDirectory.endsWith(u'/'));
    }
};

VELDRIS_GUI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
