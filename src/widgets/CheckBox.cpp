#include "widgets/CheckBox.h"

CheckBox::CheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent)
{
    connect(this, &QCheckBox::clicked, this, &CheckBox::clickAction);
}

void CheckBox::setChecked(bool checked)
{
    QCheckBox::setChecked(checked);
    emit clickAction(checked);
}
