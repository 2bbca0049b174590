// The keys and the wheel of an open view as tables of cases: which key moves the view,
// how far a move scrolls, and how the wheel's turns add up to notches.
#include "view/ViewNavigation.h"

#include <gtest/gtest.h>

#include <vector>

using namespace view::navigation;

TEST(ViewNavigation, KeysThatMoveTheView)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        KeyMove move;
    };
    const Case cases[] = {
        {Qt::Key_Left, Qt::NoModifier, KeyMove::Left},
        {Qt::Key_Right, Qt::NoModifier, KeyMove::Right},
        {Qt::Key_Up, Qt::NoModifier, KeyMove::Up},
        {Qt::Key_Down, Qt::NoModifier, KeyMove::Down},
        {Qt::Key_PageUp, Qt::NoModifier, KeyMove::ScreenUp},
        {Qt::Key_PageDown, Qt::NoModifier, KeyMove::ScreenDown},
        // The keypad's arrows and pages are the same keys.
        {Qt::Key_Left, Qt::KeypadModifier, KeyMove::Left},
        {Qt::Key_PageDown, Qt::KeypadModifier, KeyMove::ScreenDown},
        // With any other modifier a key is not the view's (Ctrl+C, menus, the window's own).
        {Qt::Key_Left, Qt::ControlModifier, KeyMove::None},
        {Qt::Key_Down, Qt::ShiftModifier, KeyMove::None},
        {Qt::Key_Up, Qt::AltModifier, KeyMove::None},
        {Qt::Key_PageUp, Qt::KeypadModifier | Qt::ControlModifier, KeyMove::None},
        {Qt::Key_Right, Qt::MetaModifier, KeyMove::None},
        // Other keys pass.
        {Qt::Key_Home, Qt::NoModifier, KeyMove::None},
        {Qt::Key_End, Qt::NoModifier, KeyMove::None},
        {Qt::Key_Escape, Qt::NoModifier, KeyMove::None},
        {Qt::Key_Space, Qt::NoModifier, KeyMove::None},
        {Qt::Key_C, Qt::ControlModifier, KeyMove::None},
    };
    for (const Case &c : cases)
        EXPECT_EQ(keyMove(c.key, c.modifiers), c.move) << std::hex << c.key << " " << c.modifiers.toInt();
}

TEST(ViewNavigation, HowFarAMoveScrolls)
{
    struct Case {
        KeyMove move;
        int screen;
        QPoint scroll;
    };
    const Case cases[] = {
        {KeyMove::Left, 456, {-20, 0}},   {KeyMove::Right, 456, {20, 0}},
        {KeyMove::Up, 456, {0, -20}},     {KeyMove::Down, 456, {0, 20}},
        {KeyMove::ScreenUp, 456, {0, -456}}, {KeyMove::ScreenDown, 456, {0, 456}},
        {KeyMove::ScreenDown, 1133, {0, 1133}},   // a screen is the height the view shows
        {KeyMove::Down, 1133, {0, 20}},           // an arrow moves 20 pixels whatever the screen
        {KeyMove::None, 456, {0, 0}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(scrollOf(c.move, c.screen), c.scroll) << int(c.move) << " " << c.screen;
}

// Each turn of the wheel (angle deltas in eighths of a degree, 120 a notch) and the scroll
// it makes at once; parts of a notch wait for the next turns, in either direction.
TEST(ViewNavigation, WheelNotchesAddUp)
{
    struct Case {
        const char *what;
        std::vector<int> turns;
        std::vector<int> scrolls;
    };
    const Case cases[] = {
        {"one notch towards the person scrolls down", {-120}, {20}},
        {"one notch away scrolls up", {120}, {-20}},
        {"two notches at once", {-240}, {40}},
        {"halves add up", {-60, -60, -60, -60}, {0, 20, 0, 20}},
        {"a fine wheel's eighths", {15, 15, 15, 15, 15, 15, 15, 15}, {0, 0, 0, 0, 0, 0, 0, -20}},
        {"back and forth cancel", {-60, 60, -60, 60}, {0, 0, 0, 0}},
        {"a notch and a half, then the other half", {-180, -60}, {20, 20}},
        {"the rest kept across a turn back", {200, -200}, {-20, 20}},
        {"no turn", {0}, {0}},
    };
    for (const Case &c : cases) {
        WheelNotches wheel;
        std::vector<int> scrolls;
        for (int turn : c.turns)
            scrolls.push_back(wheel.scroll(turn));
        EXPECT_EQ(scrolls, c.scrolls) << c.what;
    }
}
