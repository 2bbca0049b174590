#include "widgets/CheckBox.h"

CheckBox::CheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent)
{
    connect(this, &QCheckBox::toggled, this, &CheckBox::clickAction);
}

void CheckBox::setChecked(bool checked)
{
    if (isChecked() == checked)
        emit clickAction(checked);
    else
        QCheckBox::setChecked(checked);   // the change runs the action
}

void CheckBox::showChecked(bool checked)
{
    const QSignalBlocker quiet(this);
    QCheckBox::setChecked(checked);
}
