#include "app/TVeldrisApplication.h"

#include "app/UiServices.h"

#include <exception>

TVeldrisApplication::TVeldrisApplication(int& argc, char** argv) : QApplication(argc, argv)
{
}

bool TVeldrisApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showException(QString());
    }
    return false;
}

void showException(const QString& text)
{
    uiServices().showError(QApplication::activeWindow(), text);
}
