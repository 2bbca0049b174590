// The map views in a real window under a window manager: a display (Xvfb) with openbox is
// started for this program when both are installed; without them the same checks run on
// the offscreen platform, where showing a window maximised gives it the screen's size.
// A full-screen view is laid out for the size the window really has once maximised, and
// the print panel opened from a view comes above it.
#include "app/MainWindow.h"
#include "print/PrintPanel.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "support/Wait.h"
#include "view/Magnifier.h"
#include "view/MapViewer.h"
#include "view/ViewGeometry.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <functional>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct FullScreenWindow : TestWindow {
    FullScreenWindow() : TestWindow({{QStringLiteral("affichage"), QStringLiteral("1")}})
    {
        start();
        window->show();
        writeTiles(context().selectedMapFolder(), firstTiles(store::kTileCount), 16, 12);
        context().refreshSelectionStatus();
    }
    void trigger(const QString &name) { find<QAction>(name)->trigger(); }
    bool maximised() const { return window->isMaximized() && window->width() > 696 && window->height() > 500; }
};

TEST(RealWindow, FullScreenViewsAreLaidOutForTheMaximisedWindow)
{
    FullScreenWindow w;
    w.window->showPage(2);
    w.click(QStringLiteral("spSkinButton16"));   // "Afficher l'aperçu"
    ASSERT_TRUE(waitUntil([&] { return w.maximised(); })) << QApplication::platformName().toStdString();

    // The preview: rows from the window's height, centred in its width.
    QWidget *panel = nullptr;
    QRect expected;
    const auto previewLaidOut = [&] {
        panel = w.window->findChild<QWidget *>(QStringLiteral("PanelCarte"));
        const QSize client = w.window->size();
        const QSize cell = view::geometry::previewCell(client.height(), QSize(16, 12));
        expected = QRect(QPoint(view::geometry::previewPanelLeft(client.width(), cell.width()),
                                view::geometry::kMenuBarHeight),
                         view::geometry::panelSize(cell));
        return panel && panel->isVisible() && panel->geometry() == expected;
    };
    EXPECT_TRUE(waitUntil(previewLaidOut)) << "panel " << (panel ? panel->geometry().width() : -1) << "x"
                                           << (panel ? panel->geometry().height() : -1) << ", expected "
                                           << expected.width() << "x" << expected.height();
    EXPECT_GT(panel->height(), 500);

    // Whenever the window's size changes (here the user makes it smaller), the view follows.
    w.window->showNormal();
    w.window->resize(1000, 760);
    ASSERT_TRUE(waitUntil([&] { return w.window->size() == QSize(1000, 760); }));
    EXPECT_TRUE(waitUntil(previewLaidOut)) << "panel " << panel->geometry().width() << "x"
                                           << panel->geometry().height() << ", expected "
                                           << expected.width() << "x" << expected.height();
    w.window->showMaximized();
    ASSERT_TRUE(waitUntil([&] { return w.maximised(); }));

    // The detail fills the window's width and its height between menu and status bar.
    w.trigger(QStringLiteral("Dtail1"));
    auto *scrollBox = w.find<QScrollArea>(QStringLiteral("ScrollBox1"));
    const auto detailLaidOut = [&] {
        return scrollBox->geometry()
            == QRect(0, view::geometry::kMenuBarHeight, w.window->width(),
                     w.window->height() - 2 * view::geometry::kMenuBarHeight);
    };
    EXPECT_TRUE(waitUntil(detailLaidOut));

    // The magnifier opens at the right of the view, not over the middle of the map.
    w.trigger(QStringLiteral("Afficher1"));
    auto *magnifier = w.find<view::Magnifier>(QStringLiteral("BoxLoupe"));
    ASSERT_TRUE(magnifier->isVisible());
    EXPECT_EQ(magnifier->x(), scrollBox->viewport()->width() - view::Magnifier::kWidth);
    EXPECT_GT(magnifier->x(), 696 - view::Magnifier::kWidth);

    // Closing gives the window its fixed size back; a print panel left open stays in it.
    w.trigger(QStringLiteral("Imprimer1"));
    w.trigger(QStringLiteral("Fermer1"));
    EXPECT_TRUE(waitUntil([&] { return w.window->size() == QSize(696, 500); }));
    EXPECT_TRUE(waitUntil([&] { return w.window->rect().contains(w.window->printPanel()->geometry()); }))
        << w.window->printPanel()->x() << "," << w.window->printPanel()->y();
}

TEST(RealWindow, PrintPanelOpenedFromAViewIsOnTopAndPrints)
{
    QTemporaryDir out;
    const QString file = out.path() + QStringLiteral("/vue.pdf");
    for (const char *view : {"spSkinButton16", "spSkinButton2"}) {
        SCOPED_TRACE(view);
        FullScreenWindow w;
        w.window->printer().setOutputFormat(QPrinter::PdfFormat);
        w.window->printer().setOutputFileName(file);
        w.window->showPage(2);
        w.click(QString::fromLatin1(view));
        ASSERT_TRUE(waitUntil([&] { return w.maximised(); }))
            << w.window->width() << "x" << w.window->height() << " state " << int(w.window->windowState());
        w.trigger(QStringLiteral("Imprimer1"));
        PrintPanel *panel = w.window->printPanel();
        ASSERT_TRUE(panel->isVisible());
        QApplication::processEvents();
        // What the window shows at the panel's middle and corners is the panel.
        const QRect bounds = panel->geometry();
        for (const QPoint at : {bounds.center(), bounds.topLeft() + QPoint(3, 3), bounds.bottomRight() - QPoint(3, 3)}) {
            QWidget *shown = w.window->childAt(at);
            EXPECT_TRUE(shown == panel || panel->isAncestorOf(shown))
                << "at " << at.x() << "," << at.y() << ": " << (shown ? shown->objectName().toStdString() : "nothing");
        }
        // On a real display, the screen's own pixels there are the panel's.
        if (QApplication::platformName() == QStringLiteral("xcb")) {
            // The server draws in its own time: the screen is read again until it shows the panel.
            QImage onScreen, drawn;
            int differing = 0;
            waitUntil([&] {
                onScreen = w.window->screen()->grabWindow(0, w.window->mapToGlobal(bounds.topLeft()).x(),
                                                          w.window->mapToGlobal(bounds.topLeft()).y(),
                                                          bounds.width(), bounds.height()).toImage();
                drawn = panel->grab().toImage().convertToFormat(onScreen.format());
                if (onScreen.size() != drawn.size())
                    return false;
                differing = 0;
                for (int y = 0; y < drawn.height(); y += 4)
                    for (int x = 0; x < drawn.width(); x += 4)
                        differing += onScreen.pixel(x, y) != drawn.pixel(x, y) ? 1 : 0;
                return differing < drawn.width() * drawn.height() / 16 / 20;
            }, 20000);
            ASSERT_EQ(onScreen.size(), drawn.size());
            EXPECT_LT(differing, drawn.width() * drawn.height() / 16 / 20);
        }
        w.click(QStringLiteral("spSkinButton19"));   // "Imprimer"
        EXPECT_FALSE(panel->isVisible());
        EXPECT_TRUE(w.desktop.kinds().isEmpty()) << w.desktop.kinds().join(u',').toStdString();
        EXPECT_GT(QFileInfo(file).size(), 1000);
        QFile::remove(file);
    }
}

// A program started for the tests, whose first line of output tells that it is ready.
class Helper {
public:
    // Starts `argv` with `display` as DISPLAY (when not empty) and waits, at most
    // `milliseconds`, for a line on its standard output that `ready` accepts. The line, or
    // empty on failure.
    std::string start(const std::vector<std::string> &argv, const std::string &display, int milliseconds,
                      const std::function<bool(const std::string &)> &ready)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return {};
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            if (!display.empty())
                setenv("DISPLAY", display.c_str(), 1);
            std::vector<char *> args;
            for (const std::string &a : argv)
                args.push_back(const_cast<char *>(a.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(fds[1]);
        std::string line;
        bool accepted = false;
        QDeadlineTimer deadline(milliseconds);
        while (m_pid > 0 && !deadline.hasExpired()) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, int(deadline.remainingTime())) <= 0)
                break;
            char c = 0;
            if (read(fds[0], &c, 1) != 1)
                break;
            if (c != '\n') {
                line += c;
                continue;
            }
            if ((accepted = ready(line)))
                break;
            line.clear();   // a message before the one awaited
        }
        close(fds[0]);
        return accepted ? line : std::string();
    }
    void stop()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    ~Helper() { stop(); }

private:
    pid_t m_pid = -1;
};

// A display of its own with a window manager, when Xvfb and openbox are installed.
class RealDisplay {
public:
    bool start()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            return false;
        // Xvfb picks a free display and writes its number once it accepts connections.
        const std::string number = m_server.start(
            {"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"}, {}, 60000,
            [](const std::string &line) { return !line.empty(); });
        if (number.empty())
            return false;
        const std::string display = ":" + number;
        // openbox runs its start-up command once it manages the screen.
        if (m_manager.start({"openbox", "--startup", "echo ready"}, display, 60000,
                            [](const std::string &line) { return line == "ready"; })
            != "ready")
            return false;
        setenv("DISPLAY", display.c_str(), 1);
        return true;
    }
    void stop()
    {
        m_manager.stop();
        m_server.stop();
    }

private:
    Helper m_server, m_manager;
};

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    RealDisplay display;
    const bool listing = ::testing::GTEST_FLAG(list_tests);
    if (!listing && display.start())
        qputenv("QT_QPA_PLATFORM", "xcb");
    else
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        if (!listing)
            std::printf("Window system: %s\n", qPrintable(QApplication::platformName()));
        result = RUN_ALL_TESTS();
    }
    display.stop();
    return result;
}
