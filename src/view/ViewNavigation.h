#pragma once
// The keys and the wheel of an open view as arithmetic: which key moves the view which way,
// and how far a key or a turn of the wheel scrolls it. The view's input applies the moves
// to its scroll bars.

#include <QPoint>
#include <QtCore/qnamespace.h>

namespace view::navigation {

constexpr int kStep = 20;     // pixels of an arrow key and of a notch of the wheel
constexpr int kNotch = 120;   // the wheel's angle of one notch, in eighths of a degree

enum class KeyMove { None, Left, Right, Up, Down, ScreenUp, ScreenDown };

// The move of a key in an open view: the four arrows and Page Up / Page Down, pressed with
// no modifier but the keypad's; None for any other key or modifier.
KeyMove keyMove(int key, Qt::KeyboardModifiers modifiers);
// The scroll of a move (x to the right, y down): kStep pixels for an arrow, a screen
// (`screenHeight`, the height the view shows) for Page Up and Page Down.
QPoint scrollOf(KeyMove move, int screenHeight);

// The wheel: each whole notch scrolls kStep pixels, up when the wheel turns away from the
// person (a positive angle); what is left of a notch adds up with the next turns, either way.
class WheelNotches {
public:
    // The vertical scroll a turn of `angleDelta` makes now.
    int scroll(int angleDelta);

private:
    int m_remainder = 0;
};

} // namespace view::navigation
