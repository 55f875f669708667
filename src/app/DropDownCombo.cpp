#include "app/DropDownCombo.h"

#include <QFocusEvent>

DropDownCombo::DropDownCombo(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
}

void DropDownCombo::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}

void DropDownCombo::hidePopup()
{
    QComboBox::hidePopup();
    // Qt takes over a clicked item only after the list has been hidden; report the close-up
    // once the choice is the combo's current item.
    QMetaObject::invokeMethod(this, &DropDownCombo::closeUp, Qt::QueuedConnection);
}

void DropDownCombo::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        emit entered();
}

void DropDownCombo::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        emit exited();
}
