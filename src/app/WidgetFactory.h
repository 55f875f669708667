#pragma once

#include <QObject>

#include <utility>

class QFileDialog;
class QLineEdit;
class QWidget;

// Creates a control with its design name as objectName; adding it to a layout gives it its
// parent.
template <class Widget, class... Args>
Widget* named(const char* name, Args&&... args)
{
    auto* widget = new Widget(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A one-line field that shows a value and takes no typing.
QLineEdit* namedDisplayField(const char* name);

// A file dialog of the window; `filter` in Qt's form ("kel (*.kel)").
QFileDialog* namedFileDialog(QWidget* parent, const char* name, const QString& filter, bool save);

class QFormLayout;
class QLabel;

// Adds the row "label | field" to a form, creating both with their design names.
void addNamedRow(QFormLayout* form, QLabel*& label, const char* labelName, QLineEdit*& field, const char* fieldName);
