#pragma once
// The application-wide cursor while something runs (the wait cursor by default) or while a
// drag lasts. Held on the stack for work done in one call; held in a std::optional member
// for work that ends in a later signal, or for a drag, and reset there.

#include <QCursor>
#include <QGuiApplication>

class OverrideCursor {
public:
    explicit OverrideCursor(Qt::CursorShape shape = Qt::WaitCursor) { QGuiApplication::setOverrideCursor(QCursor(shape)); }
    ~OverrideCursor() { QGuiApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor &) = delete;
    OverrideCursor &operator=(const OverrideCursor &) = delete;
};
