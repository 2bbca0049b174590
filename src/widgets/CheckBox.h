#pragma once
#include <QCheckBox>

// A check box whose click action runs whenever its state changes (mouse, keyboard, the
// accessibility interface, code), once per change, and also when code sets the state it has.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(const QString &text, QWidget *parent = nullptr);
    // Sets the state and always runs the click action.
    void setChecked(bool checked);
    // Shows a state set elsewhere, without running the click action.
    void showChecked(bool checked);

signals:
    void clickAction(bool checked);
};
