#include "widgets/Keyboard.h"

#include <QAbstractButton>
#include <QSet>
#include <QToolButton>

void giveMnemonics(QWidget *page)
{
    QSet<QChar> used;
    QList<QAbstractButton *> buttons;
    for (QAbstractButton *button : page->findChildren<QAbstractButton *>()) {
        // Tool buttons are the small pickers of a page (sheet numbers, field buttons).
        if (qobject_cast<QToolButton *>(button) || button->text().trimmed().isEmpty()
            || button->property("noMnemonic").toBool())
            continue;
        const int amp = int(button->text().indexOf(u'&'));
        if (amp >= 0 && amp + 1 < button->text().size())
            used.insert(button->text().at(amp + 1).toUpper());
        else
            buttons << button;
    }
    for (QAbstractButton *button : buttons) {
        const QString text = button->text();
        for (int i = 0; i < text.size(); ++i) {
            const QChar letter = text.at(i).toUpper();
            // Letters a keyboard types as they are: A to Z.
            if (letter < u'A' || letter > u'Z' || used.contains(letter))
                continue;
            used.insert(letter);
            // The accessible name stays the text a person reads.
            if (button->accessibleName().isEmpty())
                button->setAccessibleName(text);
            button->setText(QString(text).insert(i, u'&'));
            break;
        }
    }
}
