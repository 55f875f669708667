// The main window: page switching, window states, the node combo's remembered text, closing
// and the display of escaped exceptions.

#include "app/HandlerConnection.h"

#include "GuiFixture.h"
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

#include <stdexcept>

namespace {

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

    void startsWithoutSensor()
    {
        QCOMPARE(enabledOf(*form), QStringList({"BitrateCombo", "NodeIDCombo", "TabTreeView", "DCFLoadBtn",
                                                "FWLoadBtn", "ResetDiagnoseResultsBtn"}));
        for (const char* name : {"UIDInput", "FWVersionInput", "ItemNumberInput", "SerialNumberInput",
                                 "ErrorLogSaveBtn", "CRCChecksumInput", "DebugTab"})
            QVERIFY2(!form->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden());
        QVERIFY(!form->GetCurrentValueTimer->isActive());
        QCOMPARE(form->Tabs->currentWidget(), form->BasicTab);
        QCOMPARE(form->BitrateCombo->currentText(), QStringLiteral("125 kBit/s"));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    // The empty area changes nothing; every node shows its card, also one the tree does not
    // offer. The current value is read only while the Diagnose page stays shown.
    void treeClickShowsItsCard()
    {
        form->Tabs->setCurrentWidget(form->ErrorLogTab);
        const QPoint below(10, form->TabTreeView->viewport()->height() - 5);
        QVERIFY(!form->TabTreeView->itemAt(below));
        QTest::mouseClick(form->TabTreeView->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(form->Tabs->currentWidget(), form->ErrorLogTab);
        clickNode(*form, QStringLiteral("Diagnose"));
        form->CurrentValueCheckbox->setChecked(true);
        form->GetCurrentValueTimer->start();
        clickNode(*form, QStringLiteral("Diagnose"));
        QVERIFY(form->CurrentValueCheckbox->isChecked() && form->GetCurrentValueTimer->isActive());

        QCOMPARE(form->TabTreeView->topLevelItemCount(), 6); // no node for the service pages
        form->TabTreeView->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("Controls")}));
        const std::pair<const char*, QWidget*> cards[] = {
            {"Basic", form->BasicTab},       {"CRC", form->CRCTab},           {"DCF", form->DCFTab},
            {"FW Update", form->FWUpdateTab}, {"Error Log", form->ErrorLogTab}, {"Diagnose", form->DiagnoseTab},
            {"Controls", form->ControlsTab},
        };
        for (const auto& [node, card] : cards) {
            clickNode(*form, QString::fromLatin1(node));
            QCOMPARE(form->Tabs->currentWidget(), card);
        }
        QVERIFY(!form->CurrentValueCheckbox->isChecked() && !form->GetCurrentValueTimer->isActive());
    }

    // The connected state enables the operations on the sensor ("Write" and "Update" only with
    // a DCF and a method), stops the current value and shows the SRDO group for variant 2 only.
    void connectedState()
    {
        form->CurrentValueCheckbox->setChecked(true);
        form->CurrentValueOutput->setText(QStringLiteral("12.5mA"));
        form->showConnectedState();
        QCOMPARE(enabledOf(*form),
                 QStringList({"BitrateCombo", "NodeIDCombo", "TabTreeView", "ChangeNodeIdBtn", "ChangeBitrateBtn",
                              "CRCLoadBtn", "CRCSaveBtn", "DCFLoadBtn", "FWLoadBtn", "FWForceCheckbox",
                              "ErrorLogReadBtn", "DiagnoseStartBtn", "ResetDiagnoseResultsBtn",
                              "ExportDiagnoseOutputBtn", "GetCurrentErrorsBtn", "CurrentValueCheckbox"}));
        QVERIFY(!form->CurrentValueCheckbox->isChecked() && form->CurrentValueOutput->text().isEmpty());
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden());
        for (int variant : {2, 10}) {
            veldris::connectedSensor().variantCode = variant;
            form->showConnectedState();
            QCOMPARE(form->SRDODiagnoseGroupbox->isHidden(), variant != 2);
        }
    }

    void noSensorStateForgetsTheSensor()
    {
        form->showConnectedState();
        form->NodeIDCombo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        form->CurrentNodeIdLabel->setText(QStringLiteral("5"));
        form->CurrentBitrateLabel->setText(QStringLiteral("125 kBit/s"));
        const auto fields = {form->NewNodeIdInput, form->UIDInput, form->CurrentErrorOutput};
        for (QLineEdit* field : fields)
            field->setText(QStringLiteral("6"));
        form->showNoSensorState();
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
        QCOMPARE(form->CurrentBitrateLabel->text(), QStringLiteral("n/a"));
        for (QLineEdit* field : fields)
            QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
        // DCFLoadBtn and ResetDiagnoseResultsBtn keep what the connected state gave them.
        QCOMPARE(enabledOf(*form), QStringList({"BitrateCombo", "NodeIDCombo", "TabTreeView", "DCFLoadBtn",
                                                "FWLoadBtn", "ResetDiagnoseResultsBtn"}));
    }

    // From the connected state with a DCF and a method, where every control is enabled, each
    // lock of a long operation disables exactly its own.
    void locksOfTheLongOperations()
    {
        form->dcfLoaded = true;
        form->MethodSelectionCombo->addItem(QStringLiteral("Application"));
        form->MethodSelectionCombo->setCurrentIndex(0);
        const std::pair<void (TVeldrisForm::*)(), QStringList> locks[] = {
            {&TVeldrisForm::lockForFirmwareUpdate,
             QStringList({"ChangeNodeIdBtn", "ChangeBitrateBtn", "CRCLoadBtn", "CRCSaveBtn", "DCFLoadBtn", "DCFUpdateBtn",
                          "ErrorLogReadBtn", "DiagnoseStartBtn", "ResetDiagnoseResultsBtn", "ExportDiagnoseOutputBtn",
                          "GetCurrentErrorsBtn", "CurrentValueCheckbox"})},
            {&TVeldrisForm::lockForDiagnosis,
             QStringList({"ChangeNodeIdBtn", "ChangeBitrateBtn", "CRCLoadBtn", "CRCSaveBtn", "DCFLoadBtn", "DCFUpdateBtn",
                          "FWLoadBtn", "FWUpdateBtn", "FWForceCheckbox", "MethodSelectionCombo", "ErrorLogReadBtn"})},
        };
        for (const auto& [lock, enabled] : locks) {
            form->MethodSelectionCombo->setEnabled(true);
            form->showNoSensorState(); // a sensor is chosen from there
            form->showConnectedState();
            QCOMPARE(enabledOf(*form).size(), qsizetype(std::size(stateControls)));
            form->CurrentValueCheckbox->setChecked(true);
            form->GetCurrentValueTimer->start();
            form->CurrentValueOutput->setText(QStringLiteral("4.00mA"));
            form->CurrentErrorOutput->setText(QStringLiteral("0x00000000"));
            (form.get()->*lock)();
            QCOMPARE(enabledOf(*form), enabled);
        }
        // The diagnosis lock also stops the current value and empties both outputs.
        QVERIFY(!form->CurrentValueCheckbox->isChecked() && !form->GetCurrentValueTimer->isActive());
        QVERIFY(form->CurrentValueOutput->text().isEmpty() && form->CurrentErrorOutput->text().isEmpty());
    }

    // The combo shows only its items: leaving it shows the node remembered at entry or choice
    // when the re-filled list still holds it, and nothing otherwise.
    void nodeComboRemembersItsText()
    {
        DropDownCombo* combo = form->NodeIDCombo;
        combo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        sendFocus(combo, QEvent::FocusIn);
        QCOMPARE(form->lastNodeIdText, QStringLiteral("5"));
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        const std::pair<QStringList, QString> refills[] = {{{"5", "7"}, QString()}, {{"7", "32"}, QStringLiteral("32")}};
        for (const auto& [items, shown] : refills) {
            combo->clear();
            combo->addItems(items);
            sendFocus(combo, QEvent::FocusOut);
            QCOMPARE(combo->currentText(), shown);
        }
    }

    // An exception out of a handler, and out of any other event through the application, is
    // shown; the window stays open and usable.
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
        QCoreApplication::postEvent(&handlers, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(ui->errors, QStringList({QStringLiteral("invalid stoi argument"), QString(),
                                          QStringLiteral("stoi argument out of range")}));
        QVERIFY(form->isVisible());
        QVERIFY(!badNumber->isDown());
        clickNode(*form, QStringLiteral("CRC"));
        QCOMPARE(form->Tabs->currentWidget(), form->CRCTab);
        form->File2->trigger();
        QVERIFY(!form->isVisible());
    }
};

VELDRIS_GUI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
