// The main window on a screen with less room than its fixed size (run on a screen of
// 1280 x 1024 device pixels at a scale of 2: 640 x 512 for the window's layout).
#include "app/WindowFit.h"
#include "support/TestWindow.h"
#include "widgets/StatusBar.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;

TEST(WindowFit, SizeAndPlaceOnAScreen)
{
    struct Case {
        const char *name;
        QSize frame;
        QRect available;
        QSize client;
    } const sizes[] = {
        {"room enough", {10, 30}, {0, 0, 1280, 1024}, {696, 500}},
        {"narrow and low", {10, 30}, {0, 0, 640, 512}, {630, 482}},
        {"narrow only", {0, 0}, {0, 0, 600, 900}, {600, 500}},
        {"a panel at the top", {0, 0}, {0, 40, 800, 480}, {696, 480}},
        {"no screen known", {0, 0}, {}, {696, 500}},
    };
    for (const Case &c : sizes)
        EXPECT_EQ(windowfit::fittedClient({696, 500}, c.frame, c.available), c.client) << c.name;

    struct Place {
        const char *name;
        QRect frame;
        QRect available;
        QPoint topLeft;
    } const places[] = {
        {"inside already", {100, 100, 300, 200}, {0, 0, 800, 600}, {100, 100}},
        {"out at the left and top", {-50, -20, 300, 200}, {0, 0, 800, 600}, {0, 0}},
        {"out at the right and bottom", {700, 500, 300, 200}, {0, 0, 800, 600}, {500, 400}},
        {"below a panel", {10, 0, 300, 200}, {0, 40, 800, 560}, {10, 40}},
        {"larger than the screen", {-10, -10, 900, 700}, {0, 0, 800, 600}, {0, 0}},
    };
    for (const Place &p : places)
        EXPECT_EQ(windowfit::keptInside(p.frame, p.available), p.topLeft) << p.name;
}

// The whole window, its status bar included, is on the screen, as large as the screen
// allows; so it is again after a full-screen view.
TEST(WindowFit, AWindowLargerThanTheScreenIsFittedToIt)
{
    TestWindow w({{QStringLiteral("affichage"), QStringLiteral("1")}});
    w.start();
    w.window->move(-40, -30);   // where a centring on a too small screen puts it
    w.window->show();
    const QRect available = w.window->screen()->availableGeometry();
    ASSERT_LT(available.width(), 696) << "the test needs a screen narrower than the window";
    const auto onScreen = [&] { return available.contains(w.window->frameGeometry()); };
    ASSERT_TRUE(QTest::qWaitFor(onScreen, 30000)) << "frame at " << w.window->frameGeometry().x() << ","
                                                  << w.window->frameGeometry().y();
    const QSize frame = w.window->frameGeometry().size() - w.window->size();
    EXPECT_EQ(w.window->width(), std::min(696, available.width() - frame.width()));
    EXPECT_EQ(w.window->height(), std::min(500, available.height() - frame.height()));
    // The status bar sits at the bottom of the window, seen.
    const StatusBar *status = w.window->statusBarWidget();
    const QRect statusInWindow(status->mapTo(w.window.get(), QPoint(0, 0)), status->size());
    EXPECT_EQ(statusInWindow.bottom(), w.window->height() - 1);
    EXPECT_TRUE(status->isVisible());

    // A full-screen view and back.
    const QString folder = w.context().selectedMapFolder();
    writeTiles(folder, firstTiles(4), 16, 12);
    w.context().refreshSelectionStatus();
    w.window->showPage(2);
    w.click(QStringLiteral("spSkinButton16"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->isMaximized(); }, 30000));
    w.find<QAction>(QStringLiteral("Fermer1"))->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.window->isMaximized() && onScreen(); }, 30000));
    EXPECT_EQ(w.window->width(), std::min(696, available.width() - frame.width()));
}
