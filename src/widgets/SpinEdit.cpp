#include "widgets/SpinEdit.h"

SpinEdit::SpinEdit(QWidget *parent) : QSpinBox(parent)
{
    connect(this, &QSpinBox::valueChanged, this, &SpinEdit::change);
}

void SpinEdit::setValue(int value)
{
    {
        const QSignalBlocker blocker(this);
        QSpinBox::setValue(value);
    }
    emit change();
}
