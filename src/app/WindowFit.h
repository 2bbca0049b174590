#pragma once
// The main window on a screen too small for it: its fixed size wherever it fits, else the
// room the screen has (less the window manager's frame), placed where the whole frame shows.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace windowfit {

// The client size of a window laid out for `client` whose frame adds `frame` (width and
// height) on a screen whose free area is `available`: `client` where it fits, else as
// large as the area allows, in each direction on its own.
QSize fittedClient(QSize client, QSize frame, QRect available);

// The top-left corner of a window frame `frame` moved the least to lie inside `available`
// (its top-left corner inside when it is larger).
QPoint keptInside(QRect frame, QRect available);

} // namespace windowfit
