#pragma once
// Small helpers that create the window's controls with their component name, caption,
// hint and bounds, so every control is found by name and reads the same to a screen reader.

#include "widgets/CheckBox.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRect>

namespace controls {

template <typename W>
W *named(W *widget, const QString &name, const QRect &bounds = {}, const QString &hint = {})
{
    widget->setObjectName(name);
    if (!bounds.isNull())
        widget->setGeometry(bounds);
    if (!hint.isEmpty())
        widget->setToolTip(hint);
    return widget;
}

inline QPushButton *button(QWidget *parent, const QString &name, const QString &caption,
                           const QRect &bounds, const QString &hint = {})
{
    auto *b = named(new QPushButton(caption, parent), name, bounds, hint);
    b->setAccessibleName(caption);
    return b;
}

// A check box whose click action runs whenever its state is set (widgets/CheckBox.h).
inline CheckBox *checkBox(QWidget *parent, const QString &name, const QString &text, const QRect &bounds,
                          const QString &hint = {})
{
    return named(new CheckBox(text, parent), name, bounds, hint);
}

inline QGroupBox *group(QWidget *parent, const QString &name, const QString &caption,
                        const QRect &bounds)
{
    return named(new QGroupBox(caption, parent), name, bounds);
}

inline QLabel *label(QWidget *parent, const QString &name, const QString &text,
                     const QRect &bounds, const QString &hint = {})
{
    return named(new QLabel(text, parent), name, bounds, hint);
}

} // namespace controls
