#pragma once
// The input of the map views. Through the application: the wheel and the keys of an open
// view work wherever the pointer or the focus is in its window (outside its floating
// panels), Échap over the print panel is the panel's "Annuler", and the map keeps the keys
// from the status bar's fields. On the map: dragging pans the detail, the magnifier follows
// the pointer, and a double-click on the preview asks for the detail at that point.

#include "view/ViewNavigation.h"
#include "widgets/OverrideCursor.h"

#include <QObject>
#include <QPoint>
#include <optional>

class QKeyEvent;
class QMouseEvent;
class QScrollArea;
class QWheelEvent;
class QWidget;

namespace view {

class Magnifier;
class MapViewer;
class MouseSurface;
class ViewHost;

class ViewInput : public QObject {
    Q_OBJECT
public:
    // The widgets of the views the input works on; `viewer` tells whether a view is open
    // and of which kind.
    struct Parts {
        ViewHost &host;
        QWidget &window;
        QScrollArea &scrollBox;
        MouseSurface &surface;
        Magnifier &magnifier;
        QWidget &notInstalledBox;
    };
    ViewInput(const MapViewer &viewer, const Parts &parts, QObject *parent = nullptr);

    // The keys go to the map when it shows (not to the status bar's fields).
    void takeKeyboard();
    // A drag of the detail ends (the view closes).
    void endDrag();

signals:
    // A double-click on the preview, at `global` on the screen.
    void previewDoubleClicked(QPoint global);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isViewArea(QObject *object) const;
    bool viewKey(QKeyEvent *event);
    bool onWheel(QWheelEvent *event);
    void onSurfacePressed(QMouseEvent *event);
    void onSurfaceMoved(QMouseEvent *event);

    const MapViewer &m_viewer;
    ViewHost &m_host;
    QWidget &m_window;
    QScrollArea &m_scrollBox;
    MouseSurface &m_surface;
    Magnifier &m_magnifier;
    QWidget &m_notInstalledBox;

    bool m_dragging = false;
    std::optional<OverrideCursor> m_dragCursor;
    QPoint m_anchorPointer, m_anchorScroll;
    navigation::WheelNotches m_wheel;
};

} // namespace view
