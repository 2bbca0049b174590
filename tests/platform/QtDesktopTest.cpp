// The desktop's own small dialogs: wide enough for their caption to be whole in a window
// manager's title bar, with the caption and texts as given.
#include "platform/QtDesktop.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Seen {
    QString title;
    int width = 0;
    QStringList texts;
};

// Runs `ask`, which opens a modal dialog, and reads the dialog as it shows before closing it.
Seen whileShown(const std::function<void()> &ask)
{
    Seen seen;
    QTimer poll;
    int tries = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (++tries > 500)   // a bounded wait for the dialog
                poll.stop();
            return;
        }
        seen.title = dialog->windowTitle();
        seen.width = dialog->width();
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            if (!label->text().isEmpty())
                seen.texts << label->text();
        dialog->reject();
        poll.stop();
    });
    poll.start(10);
    ask();
    return seen;
}

} // namespace

TEST(QtDesktop, SmallDialogsAreWideEnoughForTheirCaption)
{
    QtDesktop desktop;
    const QString caption = QStringLiteral("Création d'un nouveau dossier");
    const struct Case {
        const char *name;
        std::function<void()> ask;
        QString title;
        QString text;
    } cases[] = {
        {"message", [&] { desktop.message(QStringLiteral("Création non effectuée"), caption); }, caption,
         QStringLiteral("Création non effectuée")},
        {"question", [&] { desktop.confirm(QStringLiteral("Oui ?"), caption); }, caption, QStringLiteral("Oui ?")},
        {"input", [&] { desktop.inputText(caption, QStringLiteral("Nom du nouveau dossier :"), QString()); }, caption,
         QStringLiteral("Nom du nouveau dossier :")},
    };
    for (const Case &c : cases) {
        const Seen seen = whileShown(c.ask);
        EXPECT_EQ(seen.title, c.title) << c.name;
        EXPECT_TRUE(seen.texts.contains(c.text)) << c.name << ": " << seen.texts.join(u'|').toStdString();
        EXPECT_GE(seen.width, QtDesktop::captionWidth(c.title)) << c.name;
        EXPECT_GT(QtDesktop::captionWidth(c.title), QFontMetrics(QApplication::font()).horizontalAdvance(c.title))
            << c.name;
    }
}
