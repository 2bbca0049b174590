#include "view/ViewNavigation.h"

namespace view::navigation {

KeyMove keyMove(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & ~Qt::KeypadModifier)
        return KeyMove::None;
    switch (key) {
    case Qt::Key_Left: return KeyMove::Left;
    case Qt::Key_Right: return KeyMove::Right;
    case Qt::Key_Up: return KeyMove::Up;
    case Qt::Key_Down: return KeyMove::Down;
    case Qt::Key_PageUp: return KeyMove::ScreenUp;
    case Qt::Key_PageDown: return KeyMove::ScreenDown;
    default: return KeyMove::None;
    }
}

QPoint scrollOf(KeyMove move, int screenHeight)
{
    switch (move) {
    case KeyMove::Left: return {-kStep, 0};
    case KeyMove::Right: return {kStep, 0};
    case KeyMove::Up: return {0, -kStep};
    case KeyMove::Down: return {0, kStep};
    case KeyMove::ScreenUp: return {0, -screenHeight};
    case KeyMove::ScreenDown: return {0, screenHeight};
    case KeyMove::None: break;
    }
    return {};
}

int WheelNotches::scroll(int angleDelta)
{
    m_remainder += angleDelta;
    const int notches = m_remainder / kNotch;   // truncated toward zero: the rest is kept
    m_remainder -= notches * kNotch;
    return -notches * kStep;
}

} // namespace view::navigation
