#pragma once

#include "app/UiServices.h"

#include <QDialog>
#include <QFileDialog>
#include <QStringList>

// Records what the window shows and answers its questions at once, so no test blocks on a
// modal box.
class FakeUiServices : public UiServices {
public:
    FakeUiServices() { setUiServices(this); }
    ~FakeUiServices() override { setUiServices(nullptr); }

    QStringList messages;
    QStringList errors; // error boxes too, as "caption: text"
    QStringList questions;
    QStringList openedDocuments;   // every document the window tried to open
    QStringList existingDocuments; // the ones that open successfully
    QList<bool> yesNoAnswers;      // taken in turn; then No
    QStringList fileAnswers;       // taken in turn; then cancelled

    void showMessage(QWidget*, const QString& text) override { messages << text; }
    void showError(QWidget*, const QString& text) override { errors << text; }
    void showErrorBox(const QString& caption, const QString& text) override { errors << caption + ": " + text; }
    bool askYesNo(QWidget*, const QString& caption, const QString& text) override
    {
        questions << caption + ": " + text;
        return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
    }
    QString runFileDialog(QFileDialog*) override { return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst(); }
    int runModal(QDialog* dialog) override
    {
        dialog->show(); // runs the dialog's show handling, then closes at once
        dialog->hide();
        return QDialog::Accepted;
    }
    bool openDocument(const QString& path) override
    {
        openedDocuments << path;
        return existingDocuments.contains(path);
    }
};
