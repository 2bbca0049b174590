#pragma once
#include <QSpinBox>

// A spin edit whose change action runs whenever its value is set, by the user or by
// code, even to the value it already has.
class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);
    // Sets the value and always runs the change action.
    void setValue(int value);

signals:
    void change();
};
