#pragma once

#include <QApplication>

// The application object. An exception that escapes an event handler (a text that is not a
// number, say) is shown in an error box instead of ending the program; the window keeps
// its state and stays usable.
class TVeldrisApplication : public QApplication {
    Q_OBJECT
public:
    TVeldrisApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an exception's text the way the application shows escaped exceptions.
void showException(const QString& text);
