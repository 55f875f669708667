// Debug page (disabled): one button that reads the decimal digits of the process value.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include "canopen/CanOpenClient.h"
#include "sensor/ParameterAccess.h"

#include <QPushButton>
#include <QVBoxLayout>

QWidget* TVeldrisForm::buildDebugTab()
{
    auto* card = named<QWidget>("DebugTab");
    auto* layout = new QVBoxLayout(card);
    DemoBtn = named<QPushButton>("DemoBtn");
    DemoBtn->setText(QStringLiteral("Demo"));
    layout->addWidget(DemoBtn, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connectHandler(DemoBtn, &QPushButton::clicked, this, &TVeldrisForm::DemoBtnClick);
    return card;
}

// Reads the decimal digits of the process value and discards them: a bus check for service.
void TVeldrisForm::DemoBtnClick()
{
    withBus([this] { veldris::readDecimalDigits(app.client(), addressedSensor()); });
}
