// The node list on a bus where two sensors share node 5 (tests/scenarios/conflict.ini): both
// are heard, the list holds node 5 once, and a box tells that they share its node ID.

#include "GuiFixture.h"
#include "GuiTestMain.h"

class SharedNodeIdTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(); }

    void twoAnswersForOneNodeAreAConflict()
    {
        form->BitrateCombo->setCurrentIndex(3);
        form->NodeIDCombo->showPopup();
        QCOMPARE(form->NodeIDCombo->count(), 2);
        QCOMPARE(form->NodeIDCombo->itemText(0) + u',' + form->NodeIDCombo->itemText(1), QStringLiteral("5,32"));
        QCOMPARE(ui->messages, QStringList{QStringLiteral("More than one device answered as node 5: they share its node ID.")});
        const QString tip = form->NodeIDCombo->itemData(0, Qt::ToolTipRole).toString();
        // Whichever of the two answered the UID first.
        QVERIFY2(tip == QStringLiteral("Sensor of this family\nUID 0x06102200")
                     || tip == QStringLiteral("Sensor of this family\nUID 0x06102100"),
                 qPrintable(tip));
        form->NodeIDCombo->hidePopup();
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<SharedNodeIdTest>(argc, argv, VELDRIS_SIM_LIBRARY, VELDRIS_SOURCE_DIR "/tests/scenarios/conflict.ini");
}

#include "SharedNodeIdTest.moc"
