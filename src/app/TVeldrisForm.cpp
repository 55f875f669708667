#include "app/TVeldrisForm.h"

#include "app/TAboutDialog.h"
#include "common/PathText.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QVBoxLayout>

TVeldrisForm::TVeldrisForm(AppState& state, QWidget* parent) : QMainWindow(parent), app(state)
{
    setObjectName(QStringLiteral("VeldrisForm"));
    setWindowTitle(QStringLiteral("KAVRO Veldris"));
    // A minimise button and no maximise button; the border still lets the output boxes grow.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    buildMenu();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* pages = new QHBoxLayout;
    pages->addWidget(buildPageTree());
    pages->addWidget(buildCards(), 1);
    layout->addLayout(pages, 1);
    layout->addWidget(buildBottomBar());
    setCentralWidget(central);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    AboutDialog = new TAboutDialog(this);
    resize(900, 640);
    setMinimumSize(760, 560);

    applyStartupLanguage();
    applicationDirectory = QString::fromStdString(veldris::directoryOf(QCoreApplication::applicationFilePath().toStdString()));
}

TVeldrisForm::~TVeldrisForm() = default;

void TVeldrisForm::File2Click()
{
    close();
}
