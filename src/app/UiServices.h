#pragma once

#include <QString>

class QDialog;
class QFileDialog;
class QWidget;

// The window's ways of asking or telling the user something: modal message boxes, file
// dialogs, modal dialogs and opening a document with the desktop's viewer. The program uses
// the Qt implementation; GUI tests install one that records what was shown and answers at
// once, so that no test ever blocks on a modal box.
class UiServices {
public:
    virtual ~UiServices() = default;

    virtual void showMessage(QWidget* parent, const QString& text) = 0;
    virtual void showError(QWidget* parent, const QString& text) = 0;
    // An error box with its own caption and no owner window (adapter library problems).
    virtual void showErrorBox(const QString& caption, const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Runs a configured file dialog; the chosen path, or an empty text when cancelled.
    virtual QString runFileDialog(QFileDialog* dialog) = 0;
    virtual int runModal(QDialog* dialog) = 0;
    // Opens a document with the desktop's default viewer; false when that failed (a missing
    // file counts as failed).
    virtual bool openDocument(const QString& path) = 0;
};

// The services in use; the Qt implementation until another is installed.
UiServices& uiServices();
// Installs `services` (not owned; nullptr restores the Qt implementation).
void setUiServices(UiServices* services);
