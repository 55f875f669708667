#include "app/DropDownCombo.h"

#include <QFocusEvent>

#include <utility>

DropDownCombo::DropDownCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
}

void DropDownCombo::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
    listOpen = true;
}

// Qt also hides the list when the combo is disabled or cleared, whether it was open or not;
// only the closing of an open list is a close-up (a disabled node list must not connect to
// its node while a worker holds the bus).
void DropDownCombo::hidePopup()
{
    QComboBox::hidePopup();
    if (!std::exchange(listOpen, false))
        return;
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
