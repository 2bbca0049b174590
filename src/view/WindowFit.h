#pragma once
// The fixed size of the main window where the screen has room for it.

#include <QSize>

class QWidget;

namespace view {

// `wanted` as the client size of `window`, made smaller where it would not fit with its
// frame (as the window has it now, or a title bar's worth before it is framed) in the
// available area of the screen it is on.
QSize fittedWindowSize(QSize wanted, const QWidget *window);

} // namespace view
