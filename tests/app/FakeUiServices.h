#pragma once

#include "app/UiServices.h"

#include <QDialog>
#include <QFileDialog>
#include <QStringList>

#include <deque>

// Records what the window shows and answers its questions at once, so no test blocks on a
// modal box.
class FakeUiServices : public UiServices {
public:
    FakeUiServices() { setUiServices(this); }
    ~FakeUiServices() override { setUiServices(nullptr); }

    QStringList messages;
    QStringList errors;
    QStringList errorBoxes; // "caption: text"
    QStringList questions;
    QStringList openedDocuments;   // every document the window tried to open
    QStringList existingDocuments; // the ones that open successfully
    std::deque<bool> yesNoAnswers;
    std::deque<QString> fileAnswers;
    QList<QDialog*> modalDialogs;

    void showMessage(QWidget*, const QString& text) override { messages << text; }
    void showError(QWidget*, const QString& text) override { errors << text; }
    void showErrorBox(const QString& caption, const QString& text) override { errorBoxes << caption + QStringLiteral(": ") + text; }
    bool askYesNo(QWidget*, const QString& caption, const QString& text) override
    {
        questions << caption + QStringLiteral(": ") + text;
        return take(yesNoAnswers, false);
    }
    QString runFileDialog(QFileDialog*) override { return take(fileAnswers, QString()); }
    int runModal(QDialog* dialog) override
    {
        modalDialogs << dialog;
        dialog->show(); // runs the dialog's show handling, then closes at once
        dialog->hide();
        return QDialog::Accepted;
    }
    bool openDocument(const QString& path) override
    {
        openedDocuments << path;
        return existingDocuments.contains(path);
    }

private:
    template <class T>
    static T take(std::deque<T>& answers, T otherwise)
    {
        if (answers.empty())
            return otherwise;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
