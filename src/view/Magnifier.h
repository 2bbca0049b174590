#pragma once
// The magnifier `BoxLoupe`: a floating panel that shows, enlarged to 313 x 313, the v x v
// square of the window under the pointer; v is set with the slider `m_magnificationSlider`.

#include <QFrame>
#include <QImage>

class QLabel;
class QSlider;
class QToolButton;

namespace view {

class Magnifier : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 321;
    static constexpr int kHeight = 365;
    static constexpr int kPicture = 313;

    // `window` is what the magnifier copies from; the panel floats on it.
    explicit Magnifier(QWidget *window);

    int squareSide() const;
    // Opens at `left`, `top` of the window showing its top-left square.
    void open(int left, int top);
    // Copies the square around `pointer` (window coordinates) into the picture.
    void refresh(QPoint pointer);
    // Hidden with its pictures cleared (the close button, closing the view).
    void closeAndClear();
    // Hidden, pictures kept (switching to the preview).
    void hideOnly() { hide(); }
    // The square last copied, in window coordinates.
    QRect lastSquare() const { return m_lastSquare; }
    QImage scratch() const { return m_scratch; }

private:
    void copyFrom(QRect square);
    void onMagnificationChanged(int v);

    QWidget *m_window;
    QLabel *m_picture;
    QLabel *m_smallPicture;
    QSlider *m_magnificationSlider;
    QToolButton *m_closeButton, *m_rollUpButton;
    QImage m_scratch;
    QRect m_lastSquare;
};

} // namespace view
