// The main menu: language, close, manual and About.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "app/HandlerConnection.h"
#include "app/TAboutDialog.h"
#include "app/UiServices.h"
#include "app/WidgetFactory.h"

#include "common/DataDirectory.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* namedAction(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

void TVeldrisForm::buildMenu()
{
    MainMenu1 = named<QMenuBar>("MainMenu1", this);
    setMenuBar(MainMenu1);

    File1 = named<QMenu>("File1", MainMenu1);
    MainMenu1->addMenu(File1);
    Language1 = named<QMenu>("Language1", QStringLiteral("Language"), File1);
    File1->addMenu(Language1);
    auto* languages = new QActionGroup(this);
    languages->setExclusive(true);
    German1 = namedAction(Language1, "German1", QStringLiteral("Deutsch"));
    English1 = namedAction(Language1, "English1", QStringLiteral("English"));
    Chinese1 = namedAction(Language1, "Chinese1", QStringLiteral("Chinese"));
    Japanese1 = namedAction(Language1, "Japanese1", QStringLiteral("Japanese"));
    for (QAction* item : {German1, English1, Chinese1, Japanese1}) {
        item->setCheckable(true);
        languages->addAction(item);
    }
    Japanese1->setEnabled(false);
    File1->addSeparator();
    File2 = namedAction(File1, "File2", QString());

    Help1 = named<QMenu>("Help1", MainMenu1);
    MainMenu1->addMenu(Help1);
    Manual1 = namedAction(Help1, "Manual1", QString());
    Help2 = namedAction(Help1, "Help2", QString());

    connectHandler(German1, &QAction::triggered, this, &TVeldrisForm::ChangeLanguage_DE);
    connectHandler(English1, &QAction::triggered, this, &TVeldrisForm::ChangeLanguage_EN);
    connectHandler(Chinese1, &QAction::triggered, this, &TVeldrisForm::ChangeLanguage_CN);
    connectHandler(Japanese1, &QAction::triggered, this, &TVeldrisForm::ChangeLanguage_JP);
    connectHandler(File2, &QAction::triggered, this, &TVeldrisForm::File2Click);
    connectHandler(Manual1, &QAction::triggered, this, &TVeldrisForm::Manual1Click);
    connectHandler(Help2, &QAction::triggered, this, &TVeldrisForm::Help2Click);
}

void TVeldrisForm::Help2Click()
{
    AboutDialog->language = currentLanguage;
    uiServices().runModal(AboutDialog);
}

// Opens the manual in the current language, else the English one; a missing English manual
// shows nothing.
void TVeldrisForm::Manual1Click()
{
    const QString code = QString::fromStdString(currentLanguage).toUpper();
    const QString prefix = QString::fromStdString(app.data.path("doc/Operating Manual KAVRO Veldris_"));
    if (!uiServices().openDocument(prefix + code + QStringLiteral(".pdf")))
        uiServices().openDocument(prefix + QStringLiteral("EN.pdf"));
}
