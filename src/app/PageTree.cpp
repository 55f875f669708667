// The page tree and the card panel it switches.

#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/WidgetFactory.h"

#include <QCheckBox>
#include <QEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>

#include <array>
#include <functional>
#include <utility>

namespace {

// Node texts are never translated, so they name the cards in every language.
constexpr std::array treeNodes = {"Basic", "CRC", "DCF", "FW Update", "Error Log", "Diagnose"};

// Reports every mouse release on the tree's viewport, also in its empty area, like the
// tree's own click event on the desktop the window was designed for.
class ViewportClickFilter : public QObject {
public:
    ViewportClickFilter(QObject* parent, std::function<void()> onClick) : QObject(parent), onClick(std::move(onClick)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease)
            onClick();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onClick;
};

} // namespace

QWidget* TVeldrisForm::buildPageTree()
{
    TabTreeView = named<QTreeWidget>("TabTreeView");
    TabTreeView->setHeaderHidden(true);
    TabTreeView->setRootIsDecorated(false);
    TabTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TabTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const char* text : treeNodes)
        TabTreeView->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::fromLatin1(text)}));
    TabTreeView->setFixedWidth(150);
    TabTreeView->viewport()->installEventFilter(
        new ViewportClickFilter(TabTreeView, [this] { runHandler([this] { TabTreeView_OnClick(); }); }));
    // Moving through the tree with the keyboard switches pages as a click does.
    connect(TabTreeView, &QTreeWidget::currentItemChanged, this, [this] {
        if (TabTreeView->hasFocus())
            runHandler([this] { TabTreeView_OnClick(); });
    });
    return TabTreeView;
}

QWidget* TVeldrisForm::buildCards()
{
    Tabs = named<QStackedWidget>("Tabs");
    const std::pair<QWidget**, QWidget*> cards[] = {
        {&BasicTab, buildBasicTab()},       {&CRCTab, buildCrcTab()},           {&DCFTab, buildDcfTab()},
        {&FWUpdateTab, buildFirmwareTab()}, {&ErrorLogTab, buildErrorLogTab()}, {&DiagnoseTab, buildDiagnoseTab()},
        {&DebugTab, buildDebugTab()},       {&ControlsTab, buildControlsTab()},
    };
    for (const auto& [member, card] : cards) {
        *member = card;
        Tabs->addWidget(card);
    }
    DebugTab->setEnabled(false);
    Tabs->setCurrentWidget(BasicTab);
    return Tabs;
}

void TVeldrisForm::TabTreeView_OnClick()
{
    const QList<QTreeWidgetItem*> selected = TabTreeView->selectedItems();
    if (selected.isEmpty())
        return;
    const QString text = selected.constFirst()->text(0);
    const std::pair<const char*, QWidget*> cards[] = {
        {"Basic", BasicTab},        {"CRC", CRCTab},           {"DCF", DCFTab},           {"FW Update", FWUpdateTab},
        {"Error Log", ErrorLogTab}, {"Diagnose", DiagnoseTab}, {"Controls", ControlsTab}, {"Debug", DebugTab},
    };
    for (const auto& [name, card] : cards)
        if (text == QLatin1String(name))
            Tabs->setCurrentWidget(card);
    // The current value is read periodically only while the Diagnose page is shown.
    if (text != QLatin1String("Diagnose")) {
        CurrentValueCheckbox->setChecked(false);
        GetCurrentValueTimer->stop();
    }
}
