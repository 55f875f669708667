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

// Without a sensor, at start and after one was forgotten.
const QStringList noSensorEnabled = {"BitrateCombo", "NodeIDCombo", "TabTreeView", "DCFLoadBtn", "FWLoadBtn",
                                     "ResetDiagnoseResultsBtn"};

QStringList controls(const TVeldrisForm& form, bool enabled)
{
    QStringList found;
    for (const char* name : stateControls)
        if (form.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled() == enabled)
            found << QString::fromLatin1(name);
    return found;
}

void clickNode(TVeldrisForm& form, const QString& text)
{
    QTreeWidgetItem* item = form.TabTreeView->findItems(text, Qt::MatchExactly).value(0);
    QVERIFY(item);
    QTest::mouseClick(form.TabTreeView->viewport(), Qt::LeftButton, {}, form.TabTreeView->visualItemRect(item).center());
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
    void init() { setUp(); }

    // The empty area changes nothing; every node shows its card, also one the tree does not
    // offer. The current value is read only while the Diagnose page stays shown.
    void treeClickShowsItsCard()
    {
        QCOMPARE(form->Tabs->currentWidget(), form->BasicTab);
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

    // Start, connected ("Write" and "Update" only with a DCF and a method; the SRDO group for
    // variant 2 only), no sensor again (the sensor forgotten), and from the connected state
    // with everything enabled, each lock of a long operation disables exactly its own.
    void windowStates()
    {
        QCOMPARE(controls(*form, true), noSensorEnabled);
        for (const char* name : {"UIDInput", "FWVersionInput", "ItemNumberInput", "SerialNumberInput",
                                 "ErrorLogSaveBtn", "CRCChecksumInput", "DebugTab"})
            QVERIFY2(!form->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden() && !form->GetCurrentValueTimer->isActive());
        QCOMPARE(form->BitrateCombo->currentText(), QStringLiteral("125 kBit/s"));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));

        form->CurrentValueCheckbox->setChecked(true);
        form->CurrentValueOutput->setText(QStringLiteral("12.5mA"));
        form->showConnectedState();
        QCOMPARE(controls(*form, false), QStringList({"DCFUpdateBtn", "FWUpdateBtn", "MethodSelectionCombo"}));
        QVERIFY(!form->CurrentValueCheckbox->isChecked() && form->CurrentValueOutput->text().isEmpty());
        for (int variant : {0, 2, 10}) {
            veldris::connectedSensor().variantCode = variant;
            form->showConnectedState();
            QCOMPARE(form->SRDODiagnoseGroupbox->isHidden(), variant != 2);
        }

        form->NodeIDCombo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        form->CurrentNodeIdLabel->setText(QStringLiteral("5"));
        form->CurrentBitrateLabel->setText(QStringLiteral("125 kBit/s"));
        const auto fields = {form->NewNodeIdInput, form->UIDInput, form->CurrentErrorOutput};
        for (QLineEdit* field : fields)
            field->setText(QStringLiteral("6"));
        form->showNoSensorState();
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QCOMPARE(form->CurrentNodeIdLabel->text() + form->CurrentBitrateLabel->text(), QStringLiteral("n/an/a"));
        for (QLineEdit* field : fields)
            QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
        QCOMPARE(controls(*form, true), noSensorEnabled);

        form->dcfLoaded = true;
        form->MethodSelectionCombo->addItem(QStringLiteral("Application"));
        form->MethodSelectionCombo->setCurrentIndex(0);
        const std::pair<void (TVeldrisForm::*)(), QStringList> locks[] = {
            {&TVeldrisForm::lockForFirmwareUpdate, QStringList({"BitrateCombo", "NodeIDCombo", "TabTreeView", "FWLoadBtn",
                                                                "FWUpdateBtn", "FWForceCheckbox", "MethodSelectionCombo"})},
            {&TVeldrisForm::lockForDiagnosis, QStringList({"BitrateCombo", "NodeIDCombo", "TabTreeView", "DiagnoseStartBtn",
                                                           "ResetDiagnoseResultsBtn", "ExportDiagnoseOutputBtn",
                                                           "GetCurrentErrorsBtn", "CurrentValueCheckbox"})},
        };
        for (const auto& [lock, disabled] : locks) {
            form->MethodSelectionCombo->setEnabled(true);
            form->showNoSensorState(); // a sensor is chosen from there
            form->showConnectedState();
            QVERIFY(controls(*form, false).isEmpty());
            form->CurrentValueCheckbox->setChecked(true);
            form->GetCurrentValueTimer->start();
            form->CurrentValueOutput->setText(QStringLiteral("4.00mA"));
            form->CurrentErrorOutput->setText(QStringLiteral("0x00000000"));
            (form.get()->*lock)();
            QCOMPARE(controls(*form, false), disabled);
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
    // shown; the window stays open and usable until "Exit".
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
        QVERIFY(form->isVisible() && !badNumber->isDown());
        clickNode(*form, QStringLiteral("CRC"));
        QCOMPARE(form->Tabs->currentWidget(), form->CRCTab);
        form->File2->trigger();
        QVERIFY(!form->isVisible());
    }
};

int main(int argc, char** argv) { return runGuiTest<MainWindowTest>(argc, argv); }
#include "MainWindowTest.moc"
