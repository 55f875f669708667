#pragma once

#include <QComboBox>

// A drop-down list (no typing) that reports the moments a page handler needs: the list is
// about to open (the node scan fills it then), the list has closed (after the choice, if
// any, has been taken over), and the combo got or lost the keyboard focus. Opening its own
// list does not count as losing the focus.
class DropDownCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownCombo(QWidget* parent = nullptr);

    void showPopup() override;
    void hidePopup() override;

signals:
    void dropDown();
    void closeUp();
    void entered();
    void exited();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool listOpen = false;
};
