// The window's way onto the bus, against the simulated library and its default scenario:
// the node list scans the bus, the force option follows the scan, the NMT buttons send.

#include "app/DropDownCombo.h"
#include "app/TVeldrisApplication.h"
#include "app/TVeldrisForm.h"
#include "sensor/SensorInfo.h"

#include "FakeUiServices.h"
#include "GuiFixture.h"
#include "GuiTestData.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <memory>

class BusPathTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(true); }
    void cleanup() { tearDown(); }

    void openingTheNodeListScansTheBus()
    {
        form->FWForceCheckbox->setChecked(true);
        form->NodeIDCombo->showPopup();
        QCOMPARE(form->NodeIDCombo->count(), 2);
        QCOMPARE(form->NodeIDCombo->itemText(0), QStringLiteral("5"));
        QCOMPARE(form->NodeIDCombo->itemText(1), QStringLiteral("32"));
        QVERIFY(form->nodesFound);
        QVERIFY(!form->FWForceCheckbox->isChecked());

        // Closing the list without a choice: no sensor, and no forced update offered.
        form->NodeIDCombo->setCurrentIndex(-1);
        form->NodeIDCombo->hidePopup();
        QTRY_VERIFY(!form->FWForceCheckbox->isEnabled());
        QVERIFY(!form->FWForceCheckbox->isChecked());
        QCOMPARE(form->CurrentNodeIdLabel->text(), QStringLiteral("n/a"));
        QVERIFY(ui->errors.isEmpty());
    }

    void scanAtAnotherBitRateFindsNothingAndOffersForce()
    {
        form->BitrateCombo->setCurrentIndex(2); // 250 kBit/s: the sensors run at 125
        form->NodeIDCombo->showPopup();
        QCOMPARE(form->NodeIDCombo->count(), 0);
        QVERIFY(!form->nodesFound);
        form->NodeIDCombo->hidePopup();
        QTRY_VERIFY(form->FWForceCheckbox->isEnabled());
    }

    void nmtButtons()
    {
        QTest::mouseClick(form->StartSensorBtn, Qt::LeftButton); // no sensor chosen yet
        QCOMPARE(ui->errors, QStringList{QStringLiteral("invalid stoi argument")});
        veldris::connectedSensor().nodeId = "5";
        form->PreopSensorBtn->click();
        form->StartSensorBtn->click();
        form->ResetSensorBtn->click();
        QCOMPARE(ui->errors.size(), 1);
    }
};

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::unsetenv("VELDRIS_SIM_SCENARIO");
    TVeldrisApplication application(argc, argv);
    BusPathTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BusPathTest.moc"
