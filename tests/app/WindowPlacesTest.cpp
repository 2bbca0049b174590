// Where things are in the window as it is: back at its place after a full-screen view, the
// status bar across it, boxes centred on it; the letter pickers of the download page show
// eight letters at a time.
#include "print/PrintPanel.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "widgets/StatusBar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct FullScreenWindow : TestWindow {
    FullScreenWindow() : TestWindow({{QStringLiteral("affichage"), QStringLiteral("1")}})
    {
        start();
        writeTiles(context().selectedMapFolder(), firstTiles(store::kTileCount), 16, 12);
        context().refreshSelectionStatus();
    }
};

// The status bar runs along the bottom of the window, from edge to edge.
void expectStatusBarAcross(MainWindow &window, const char *where)
{
    const StatusBar *status = window.statusBarWidget();
    const QRect bar(status->mapTo(&window, QPoint(0, 0)), status->size());
    EXPECT_EQ(bar.left(), 0) << where;
    EXPECT_GE(bar.right(), window.width() - 1) << where;
    EXPECT_EQ(bar.bottom(), window.height() - 1) << where;
}

} // namespace

TEST(WindowPlaces, AfterAFullScreenViewTheWindowIsWhereItWasAndTheStatusBarSpansIt)
{
    const char *views[] = {"spSkinButton16", "spSkinButton2"};   // preview, detail
    for (const char *view : views) {
        SCOPED_TRACE(view);
        FullScreenWindow w;
        w.window->move(123, 77);
        w.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get(), 30000));
        const QPoint place = w.window->pos();
        const QSize size = w.window->size();
        expectStatusBarAcross(*w.window, "windowed");

        w.window->showPage(2);
        w.click(QString::fromLatin1(view));
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->isMaximized() && w.window->width() > size.width(); }, 30000));
        QApplication::processEvents();
        expectStatusBarAcross(*w.window, "full screen");

        // The print panel opened over the view sits in the middle of the window as it is.
        w.find<QAction>(QStringLiteral("Imprimer1"))->trigger();
        const QRect panel = w.window->printPanel()->geometry();
        EXPECT_LE(std::abs(panel.center().x() - w.window->rect().center().x()), 1);
        EXPECT_LE(std::abs(panel.center().y() - w.window->rect().center().y()), 1);
        w.click(QStringLiteral("spSkinButton20"));   // the panel's "Annuler"

        w.find<QAction>(QStringLiteral("Fermer1"))->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.window->isMaximized() && w.window->size() == size; }, 30000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.window->pos() == place; }, 30000))
            << "at " << w.window->x() << "," << w.window->y() << " instead of " << place.x() << "," << place.y();
        expectStatusBarAcross(*w.window, "windowed again");
    }
}

TEST(WindowPlaces, LetterPickersShowEightLettersAtATime)
{
    TestWindow w;
    w.start();
    w.window->show();
    w.window->showPage(4);
    for (const char *name : {"spSkinComboBox7", "spSkinComboBox1", "spSkinComboBox8", "spSkinComboBox2"}) {
        SCOPED_TRACE(name);
        auto *picker = w.find<QComboBox>(QString::fromLatin1(name));
        ASSERT_EQ(picker->count(), 26);
        picker->showPopup();
        QAbstractItemView *list = picker->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 30000));
        const int row = list->sizeHintForRow(0);
        ASSERT_GT(row, 0);
        EXPECT_EQ(list->viewport()->height() / row, 8) << list->viewport()->height() << " / " << row;
        picker->hidePopup();
    }
}
