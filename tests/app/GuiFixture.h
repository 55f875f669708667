#pragma once

#include "app/AppState.h"
#include "app/DropDownCombo.h"
#include "app/TVeldrisForm.h"
#include "canopen/BusWorker.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "sensor/SensorInfo.h"

#include "FakeUiServices.h"
#include "GuiTestData.h"

#include <QTest>

#include <memory>

// What every window test starts from (test classes call setUp() in init()): a run folder of
// its own, answering message boxes, no sensor known, and a fresh main window, shown unless
// painting would slow a timed test. The previous test's window, services and folder go first.
struct GuiFixture {
    std::unique_ptr<GuiTestData> data;
    std::unique_ptr<FakeUiServices> ui;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TVeldrisForm> form;

    void setUp(bool show = true)
    {
        form.reset();
        state.reset();
        ui.reset();
        data.reset();
        data = std::make_unique<GuiTestData>();
        ui = std::make_unique<FakeUiServices>();
        state = std::make_unique<AppState>(data->folder());
        form = std::make_unique<TVeldrisForm>(*state);
        if (show) {
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        }
    }

    // Whether no one holds the bus: a lease taken here is given back at once.
    bool busFree() { return static_cast<bool>(state->client().tryLease()); }

    // After a procedure that ended badly: the bus free, no worker left, and the window closes
    // without asking whether to stop anything.
    void checkIdleAndClosable()
    {
        QVERIFY(busFree());
        QCOMPARE(veldris::BusWorker::running(), 0);
        form->close();
        QVERIFY(ui->questions.isEmpty());
        QVERIFY(!form->isVisible());
    }

    // Chooses the node as the node list does after a scan: the bus opened at 125 kbit/s, the
    // node connected to (also one that does not answer).
    void choose(int node)
    {
        veldris::openBus(state->client(), 0, 3);
        form->NodeIDCombo->clear();
        form->NodeIDCombo->addItem(QString::number(node));
        form->NodeIDCombo->setCurrentIndex(0);
        form->NodeIDCombo_OnCloseup();
        QVERIFY(form->sensorSelected);
    }
};
