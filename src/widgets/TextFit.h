#pragma once
// Whole texts at the installed fonts. Positions and sizes of controls are given for a
// 696 x 500 window; where the fonts need more room than a control was given, the control
// grows into free room beside it, or else its font shrinks a step at a time, rather than
// cutting its text.

#include <QSize>
#include <QString>

class QObject;
class QWidget;

namespace textfit {

// The room a control's text needs and the room the control gives it, in the control's
// own pixels. Both empty for a widget that shows no text of its own.
struct Room {
    QSize needed;
    QSize available;
    bool fits() const
    {
        return needed.width() <= available.width() && needed.height() <= available.height();
    }
};
Room textRoom(const QWidget *widget);

// Controls that show a text: labels, buttons, check boxes, radio buttons, group captions.
bool showsText(const QWidget *widget);

// Makes every text among the children of `parent` (not their descendants) whole.
void fitChildren(QWidget *parent);
// The same for every widget under `root`.
void fitTree(QWidget *root);

// Makes the texts of `root`'s widgets whole when each box is first shown, and keeps them
// whole when a text changes while the program runs: a changed text asks its parent for a
// new layout, and the parent's children are fitted again then.
void keepFitted(QWidget *root);

} // namespace textfit
