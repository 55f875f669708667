// The main window: window states, closing and the display of escaped exceptions.

#include "app/HandlerConnection.h"

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include <stdexcept>

namespace {

// The controls whose enabled state the window states decide.
const char* const stateControls[] = {
    "BitrateCombo",
    "NodeIDCombo",
    "TabTreeView",
    "ChangeNodeIdBtn",
    "ChangeBitrateBtn",
    "CRCLoadBtn",
    "CRCSaveBtn",
    "DCFLoadBtn",
    "DCFUpdateBtn",
    "FWLoadBtn",
    "FWUpdateBtn",
    "FWForceCheckbox",
    "MethodSelectionCombo",
    "ErrorLogReadBtn",
    "DiagnoseStartBtn",
    "ResetDiagnoseResultsBtn",
    "ExportDiagnoseOutputBtn",
    "GetCurrentErrorsBtn",
    "CurrentValueCheckbox",
};

// Without a sensor, at start and after one was forgotten.
const QStringList noSensorEnabled = {"BitrateCombo", "NodeIDCombo", "TabTreeView",
                                     "DCFLoadBtn",   "FWLoadBtn",   "ResetDiagnoseResultsBtn"};

QStringList controls(const TVeldrisForm& form, bool enabled)
{
    QStringList found;
    for (const char* name : stateControls)
        if (form.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled() == enabled)
            found << QString::fromLatin1(name);
    return found;
}

// Handlers that fail the way a handler with a bad input field does.
class ThrowingHandlers : public QObject {
public:
    void badNumber() { throw std::invalid_argument("invalid stoi argument"); }

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::out_of_range("stoi argument out of range");
        return QObject::event(event);
    }
};

} // namespace

class MainWindowTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(); }

    // Start, connected ("Write" and "Update" only with a DCF and a method; the SRDO group for
    // variant 2 only), no sensor again (the sensor forgotten), and from the connected state
    // with everything enabled, each lock of a long operation disables exactly its own.
    void windowStates()
    {
        QCOMPARE(controls(*form, true), noSensorEnabled);

        form->CurrentValueCheckbox->setChecked(true);
        form->CurrentValueOutput->setText(QStringLiteral("12.5mA"));
        form->showConnectedState();
        QCOMPARE(controls(*form, false), QStringList({"DCFUpdateBtn", "FWUpdateBtn", "MethodSelectionCombo"}));
        QVERIFY(!form->CurrentValueCheckbox->isChecked() && form->CurrentValueOutput->text().isEmpty());
        QVERIFY(form->SRDODiagnoseGroupbox->isHidden()); // variant 0

        form->NodeIDCombo->addItems({QStringLiteral("5"), QStringLiteral("32")});
        form->CurrentNodeIdLabel->setText(QStringLiteral("5"));
        form->UIDInput->setText(QStringLiteral("0x06102200"));
        form->showNoSensorState();
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QCOMPARE(form->CurrentNodeIdLabel->text() + form->UIDInput->text(), QStringLiteral("n/a"));
        QCOMPARE(controls(*form, true), noSensorEnabled);

        form->dcfLoaded = true;
        form->MethodSelectionCombo->addItem(QStringLiteral("Application"));
        form->MethodSelectionCombo->setCurrentIndex(0);
        const std::pair<void (TVeldrisForm::*)(), QStringList> locks[] = {
            {&TVeldrisForm::lockForFirmwareUpdate,
             {"BitrateCombo", "NodeIDCombo", "TabTreeView", "FWLoadBtn", "FWUpdateBtn", "FWForceCheckbox",
              "MethodSelectionCombo"}},
            {&TVeldrisForm::lockForDiagnosis,
             {"BitrateCombo", "NodeIDCombo", "TabTreeView", "DiagnoseStartBtn", "ResetDiagnoseResultsBtn",
              "ExportDiagnoseOutputBtn", "GetCurrentErrorsBtn", "CurrentValueCheckbox"}},
        };
        for (const auto& [lock, disabled] : locks) {
            form->MethodSelectionCombo->setEnabled(true);
            form->showNoSensorState(); // a sensor is chosen from there
            form->showConnectedState();
            QVERIFY(controls(*form, false).isEmpty());
            form->CurrentValueCheckbox->setChecked(true);
            form->GetCurrentValueTimer->start();
            form->CurrentValueOutput->setText(QStringLiteral("4.00mA"));
            (form.get()->*lock)();
            QCOMPARE(controls(*form, false), disabled);
        }
        // The diagnosis lock also stops the current value and empties its output.
        QVERIFY(!form->CurrentValueCheckbox->isChecked() && !form->GetCurrentValueTimer->isActive());
        QVERIFY(form->CurrentValueOutput->text().isEmpty());
    }

    // An exception out of a handler, and out of any other event through the application, is
    // shown; the window stays open and usable until "Exit".
    void escapedExceptionIsShownAndTheWindowStaysUsable()
    {
        ThrowingHandlers handlers;
        auto* badNumber = new QPushButton(QStringLiteral("bad number"), form->DebugTab);
        connectHandler(badNumber, &QPushButton::clicked, &handlers, &ThrowingHandlers::badNumber);
        form->DebugTab->setEnabled(true);
        form->Tabs->setCurrentWidget(form->DebugTab);

        QTest::mouseClick(badNumber, Qt::LeftButton);
        runHandler([] { throw 42; });
        QCoreApplication::postEvent(&handlers, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(ui->errors, QStringList({QStringLiteral("invalid stoi argument"), QString(),
                                          QStringLiteral("stoi argument out of range")}));
        QVERIFY(form->isVisible() && !badNumber->isDown());
        form->File2->trigger();
        QVERIFY(!form->isVisible());
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<MainWindowTest>(argc, argv);
}
#include "MainWindowTest.moc"
