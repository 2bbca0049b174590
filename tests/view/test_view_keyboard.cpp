// The keyboard of an open view, whatever had the focus before it opened and however it
// opened: the arrows and Page Down act on the map (or on nothing), never on the status
// bar's sheet number, and Ctrl+C copies the picture the view shows.
#include "session/AppContext.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "render/Mosaic.h"
#include "view/MapViewer.h"
#include "view/MosaicPanel.h"
#include "widgets/SpinEdit.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

enum class Opening { PreviewButton, PreviewMenu, DetailButton, DetailDoubleClick };

struct Case {
    const char *name;
    Opening opening;
    bool fullScreen;
    int kind;   // 0 preview, 1 detail
};

void doubleClick(QWidget *target, QPoint local)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

} // namespace

TEST(ViewKeyboard, ViewsOwnTheKeysAndCopyTheirPicture)
{
    const Case cases[] = {
        {"preview by its button", Opening::PreviewButton, false, 0},
        {"preview by its button, full screen", Opening::PreviewButton, true, 0},
        {"preview from the detail's menu", Opening::PreviewMenu, false, 0},
        {"preview from the detail's menu, full screen", Opening::PreviewMenu, true, 0},
        {"detail by its button", Opening::DetailButton, false, 1},
        {"detail by its button, full screen", Opening::DetailButton, true, 1},
        {"detail by a double-click", Opening::DetailDoubleClick, false, 1},
        {"detail by a double-click, full screen", Opening::DetailDoubleClick, true, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow w({{QStringLiteral("affichage"), c.fullScreen ? QStringLiteral("1") : QStringLiteral("0")}});
        w.start();
        w.window->show();
        w.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get(), 30000));
        // Sheet 61, blue tiles large enough for the detail to scroll.
        auto *sheetField = w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"));
        sheetField->setValue(61);
        ASSERT_EQ(w.context().selection().sheetNumber, QStringLiteral("61"));
        QImage blue(100, 80, QImage::Format_RGB32);
        blue.fill(QColor(30, 60, 210));
        const QByteArray tile = jpegBytes(blue);
        for (int i = 0; i < store::kTileCount; ++i)
            writeFile(w.context().selectedMapFolder() + u'/' + store::walkFileName(i), tile);
        w.context().refreshSelectionStatus();
        w.window->showPage(2);
        sheetField->setFocus();   // where a person leaves it after typing the sheet

        switch (c.opening) {
        case Opening::PreviewButton: w.click(QStringLiteral("spSkinButton16")); break;
        case Opening::DetailButton: w.click(QStringLiteral("spSkinButton2")); break;
        case Opening::PreviewMenu:
            w.click(QStringLiteral("spSkinButton2"));
            sheetField->setFocus();
            w.find<QAction>(QStringLiteral("Aperu1"))->trigger();
            break;
        case Opening::DetailDoubleClick: {
            w.click(QStringLiteral("spSkinButton16"));
            sheetField->setFocus();
            QWidget *surface = w.find(QStringLiteral("ZoneClic"));
            doubleClick(surface, QPoint(surface->width() / 2, surface->height() / 2));
            break;
        }
        }
        ASSERT_TRUE(w.window->mapViewer()->isOpen());
        ASSERT_EQ(w.window->mapViewer()->viewKind(), c.kind);
        QApplication::processEvents();

        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_EQ(focus->objectName(), QStringLiteral("ZoneClic"));
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Up})
            QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(w.context().selection().sheetNumber, QStringLiteral("61"));
        EXPECT_EQ(sheetField->value(), 61);

        // A click in the status bar's field does not give it the keys either.
        sheetField->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        EXPECT_EQ(sheetField->value(), 61);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        const QImage copied = w.desktop.clipboard;
        ASSERT_FALSE(copied.isNull());
        EXPECT_EQ(copied, w.window->mapViewer()->captureView());
        // As many pixels as the screen shows of the view: on a dense screen, its device pixels.
        const QWidget *shown = c.kind == 0 ? w.find(QStringLiteral("PanelCarte"))
                                           : w.find<QScrollArea>(QStringLiteral("ScrollBox1"))->viewport();
        EXPECT_EQ(copied.size(), (QSizeF(shown->size()) * shown->devicePixelRatioF()).toSize());
        EXPECT_EQ(copied.devicePixelRatio(), 1.0);
        // The map's own pixels: the tiles' blue in the middle of the picture.
        const QColor middle = copied.pixelColor(copied.width() / 2, copied.height() / 2);
        EXPECT_GT(middle.blue(), 150) << middle.name().toStdString();
        EXPECT_LT(middle.red(), 80) << middle.name().toStdString();
        w.find<QAction>(QStringLiteral("Fermer1"))->trigger();
    }
}

// A tile's pixel is a pixel of the screen: the detail shows (and copies) the tiles as
// decoded, pixel for pixel, at whatever density; the preview's cells are decoded at their
// size in device pixels, and its copy is those pictures, not a picture of fewer pixels
// doubled.
TEST(ViewDensity, ViewsDrawTheTilesAtTheScreensDevicePixels)
{
    TestWindow w({{QStringLiteral("affichage"), QStringLiteral("0")}});
    w.start();
    w.window->show();
    auto *sheetField = w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"));
    sheetField->setValue(61);
    // Tiles of their own colour each, with the lines and gradient of a picture.
    for (int i = 0; i < store::kTileCount; ++i)
        writeFile(w.context().selectedMapFolder() + u'/' + store::walkFileName(i),
                  jpegBytes(makePicture(100, 80, QColor::fromHsv(i * 7 % 360, 200, 220))));
    w.context().refreshSelectionStatus();
    w.window->showPage(2);
    const qreal ratio = w.window->devicePixelRatioF();
    // The screen has room for the window: it keeps its fixed size.
    EXPECT_EQ(w.window->size(), QSize(696, 500));

    w.click(QStringLiteral("spSkinButton2"));
    view::MapViewer &viewer = *w.window->mapViewer();
    ASSERT_TRUE(viewer.isOpen());
    ASSERT_EQ(viewer.viewKind(), 1);
    auto *panel = w.find<view::MosaicPanel>(QStringLiteral("PanelCarte"));
    EXPECT_EQ(panel->pictureSize(), QSize(26 * 100 + 2, 26 * 80 + 2));
    EXPECT_EQ(panel->size(), (QSizeF(panel->pictureSize()) / ratio).toSize());
    auto *scroll = w.find<QScrollArea>(QStringLiteral("ScrollBox1"));
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->value() + 37);
    QApplication::processEvents();
    const QImage detail = viewer.captureView();
    ASSERT_EQ(detail.size(), (QSizeF(scroll->viewport()->size()) * ratio).toSize());
    const QPoint origin = (QPointF(scroll->horizontalScrollBar()->value(), scroll->verticalScrollBar()->value()) * ratio)
                              .toPoint();
    int differing = 0;
    for (int y = 0; y < detail.height(); ++y)
        for (int x = 0; x < detail.width(); ++x) {
            const QPoint at = origin + QPoint(x, y) - QPoint(1, 1);   // after the panel's border
            if (at.x() < 0 || at.y() < 0)
                continue;
            const QImage tile = viewer.mosaic()->tileImage(at.x() / 100, at.y() / 80);
            ASSERT_FALSE(tile.isNull());
            if (detail.pixel(x, y) != tile.pixel(at.x() % 100, at.y() % 80))
                ++differing;
        }
    EXPECT_EQ(differing, 0) << "pixels of the detail that are not the tiles' own";

    w.find<QAction>(QStringLiteral("Aperu1"))->trigger();
    ASSERT_EQ(viewer.viewKind(), 0);
    panel = w.find<view::MosaicPanel>(QStringLiteral("PanelCarte"));
    const view::TileCell *first = panel->cell(0, 0);
    // The cells fill the client area's height in device pixels.
    const int clientHeight = qRound((w.window->height() - 44) * ratio);
    EXPECT_EQ(first->size().height(), clientHeight / 26);
    const QImage preview = viewer.captureView();
    ASSERT_EQ(preview.size(), (QSizeF(panel->size()) * ratio).toSize());
    for (int row = 0; row < 26; row += 5)
        for (int column = 0; column < 26; column += 5) {
            const view::TileCell *cell = panel->cell(column, row);
            ASSERT_EQ(cell->picture().size(), cell->size());
            const QRect bounds = cell->geometry();
            EXPECT_EQ(preview.copy(bounds), cell->picture().convertToFormat(preview.format()))
                << "cell " << column << "," << row;
        }
}
