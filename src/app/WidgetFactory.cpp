#include "app/WidgetFactory.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

QLineEdit* namedDisplayField(const char* name)
{
    auto* field = named<QLineEdit>(name);
    field->setReadOnly(true);
    return field;
}

QFileDialog* namedFileDialog(QWidget* parent, const char* name, const QString& filter, bool save)
{
    auto* dialog = named<QFileDialog>(name, parent);
    dialog->setNameFilter(filter);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    return dialog;
}

void addNamedRow(QFormLayout* form, QLabel*& label, const char* labelName, QLineEdit*& field, const char* fieldName)
{
    label = named<QLabel>(labelName);
    field = named<QLineEdit>(fieldName);
    label->setBuddy(field);
    form->addRow(label, field);
}
