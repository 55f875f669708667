#pragma once

#include "app/TVeldrisForm.h"
#include "sensor/SensorInfo.h"

#include "FakeUiServices.h"
#include "GuiTestData.h"

#include <QTest>

#include <memory>

// What every window test starts from: a run folder of its own, answering message boxes, no
// sensor known, and a fresh main window. Test classes call setUp() in init() and tearDown()
// in cleanup().
struct GuiFixture {
    std::unique_ptr<GuiTestData> data;
    std::unique_ptr<FakeUiServices> ui;
    std::unique_ptr<TVeldrisForm> form;

    void setUp(bool show)
    {
        data = std::make_unique<GuiTestData>();
        ui = std::make_unique<FakeUiServices>();
        veldris::connectedSensor() = {};
        form = std::make_unique<TVeldrisForm>();
        if (show) {
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        }
    }

    void tearDown()
    {
        form.reset();
        ui.reset();
        data.reset();
    }
};
