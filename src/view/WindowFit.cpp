#include "view/WindowFit.h"
#include "view/ViewGeometry.h"

#include <QScreen>
#include <QWidget>

namespace view {

QSize fittedWindowSize(QSize wanted, const QWidget *window)
{
    const QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        return wanted;
    QSize frame = window->frameGeometry().size() - window->geometry().size();
    if (frame.isEmpty())
        frame = QSize(8, 32);   // not framed yet: about what a window manager adds
    return geometry::fittedWindowSize(wanted, screen->availableGeometry().size(), frame);
}

} // namespace view
