#include "view/ViewInput.h"
#include "view/Magnifier.h"
#include "view/MapViewer.h"
#include "view/MosaicPanel.h"
#include "view/ViewGeometry.h"
#include "view/ViewHost.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

namespace view {

namespace {
constexpr int kDetail = 1;
constexpr int kPreview = 0;
} // namespace

ViewInput::ViewInput(const MapViewer &viewer, const Parts &parts, QObject *parent)
    : QObject(parent), m_viewer(viewer), m_host(parts.host), m_window(parts.window), m_scrollBox(parts.scrollBox),
      m_surface(parts.surface), m_magnifier(parts.magnifier), m_notInstalledBox(parts.notInstalledBox)
{
    setObjectName(QStringLiteral("ViewInput"));
    connect(&m_surface, &MouseSurface::pressed, this, &ViewInput::onSurfacePressed);
    connect(&m_surface, &MouseSurface::moved, this, &ViewInput::onSurfaceMoved);
    connect(&m_surface, &MouseSurface::released, this, [this](QMouseEvent *) { endDrag(); });
    connect(&m_surface, &MouseSurface::doubleClicked, this, [this](QMouseEvent *event) {
        if (m_viewer.viewKind() == kPreview)
            emit previewDoubleClicked(event->globalPosition().toPoint());
    });
    // Through the application: the wheel and the keys of an open view work wherever the
    // pointer or the focus is in its window.
    qApp->installEventFilter(this);
}

// The keys go to the map from the moment it shows: not to the status bar's fields, whose
// arrows would select another sheet while this one is shown, nor to their copy.
void ViewInput::takeKeyboard()
{
    if (m_surface.isVisible() && !m_surface.hasFocus())
        m_surface.setFocus(Qt::OtherFocusReason);
}

// --- The mouse --------------------------------------------------------------------------

void ViewInput::onSurfacePressed(QMouseEvent *event)
{
    if (m_viewer.viewKind() != kDetail || m_dragging)
        return;
    m_dragging = true;
    m_dragCursor.emplace(Qt::DragCopyCursor);
    m_anchorPointer = event->globalPosition().toPoint();
    m_anchorScroll = QPoint(m_scrollBox.horizontalScrollBar()->value(), m_scrollBox.verticalScrollBar()->value());
}

void ViewInput::onSurfaceMoved(QMouseEvent *event)
{
    if (m_magnifier.isVisible())
        m_magnifier.refresh(m_window.mapFromGlobal(event->globalPosition().toPoint()));
    if (!m_dragging)
        return;
    QApplication::changeOverrideCursor(Qt::DragCopyCursor);
    // The point grabbed stays under the pointer, as far as the scroll bars go.
    QScrollBar *horizontal = m_scrollBox.horizontalScrollBar();
    QScrollBar *vertical = m_scrollBox.verticalScrollBar();
    const QPoint scroll = geometry::dragScroll(m_anchorPointer, m_anchorScroll, event->globalPosition().toPoint(),
                                               QSize(0, 0), QSize(horizontal->maximum(), vertical->maximum()));
    horizontal->setValue(scroll.x());
    vertical->setValue(scroll.y());
    m_scrollBox.viewport()->update();
}

void ViewInput::endDrag()
{
    m_dragging = false;
    m_dragCursor.reset();
}

// --- The wheel and the keys -------------------------------------------------------------

bool ViewInput::onWheel(QWheelEvent *event)
{
    if (!m_scrollBox.isVisible())
        return false;
    QScrollBar *bar = m_scrollBox.verticalScrollBar();
    bar->setValue(bar->value() + m_wheel.scroll(event->angleDelta().y()));
    return true;   // the scroll area would scroll again by its own step
}

// Whether `object` is part of the open view's window outside its floating panels (the
// magnifier, the print panel, "Affichage impossible"), which keep the wheel and the keys.
bool ViewInput::isViewArea(QObject *object) const
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || widget->window() != &m_window)
        return false;
    for (const QWidget *w = widget; w && w != &m_window; w = w->parentWidget())
        if (w == &m_magnifier || w == &m_notInstalledBox || w == &m_host.floatingPrintPanel())
            return false;
    return true;
}

// Keys of the open view: the arrows pan by 20 pixels, Page Up and Page Down by a screen.
bool ViewInput::viewKey(QKeyEvent *event)
{
    const navigation::KeyMove move = navigation::keyMove(event->key(), event->modifiers());
    if (move == navigation::KeyMove::None)
        return false;
    // The preview has nothing to pan: its keys go nowhere else either.
    if (!m_scrollBox.isVisible())
        return true;
    const QPoint scroll = navigation::scrollOf(move, m_scrollBox.viewport()->height());
    if (QScrollBar *horizontal = m_scrollBox.horizontalScrollBar(); scroll.x() != 0)
        horizontal->setValue(horizontal->value() + scroll.x());
    if (QScrollBar *vertical = m_scrollBox.verticalScrollBar(); scroll.y() != 0)
        vertical->setValue(vertical->value() + scroll.y());
    return true;
}

bool ViewInput::eventFilter(QObject *watched, QEvent *event)
{
    const bool open = m_viewer.isOpen();
    switch (event->type()) {
    case QEvent::Wheel:
        // Anywhere in the view's window: map, scroll bars, menu bar, status bar, empty area.
        if (open && isViewArea(watched))
            return onWheel(static_cast<QWheelEvent *>(event));
        break;
    case QEvent::ShortcutOverride:
        // Échap while the print panel is open cancels the panel; the view closes on the next one.
        if (open && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_host.floatingPrintPanel().isVisible()
            && qobject_cast<QWidget *>(watched) && static_cast<QWidget *>(watched)->window() == &m_window) {
            m_host.cancelPrintPanel();
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (open && isViewArea(watched) && viewKey(static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::FocusIn: {
        // A click in the status bar does not give its fields the keys while a view is shown
        // (the menu bar keeps the keys it takes for its own navigation).
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (open && watched != &m_surface && isViewArea(watched) && m_surface.isVisible()
            && !qobject_cast<QMenuBar *>(watched) && reason != Qt::MenuBarFocusReason && reason != Qt::PopupFocusReason)
            QTimer::singleShot(0, this, [this] {
                if (m_viewer.isOpen())
                    takeKeyboard();
            });
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace view
