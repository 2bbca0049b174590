// The keyboard of an open view, whatever had the focus before it opened and however it
// opened: the arrows and Page Down act on the map (or on nothing), never on the status
// bar's sheet number, and Ctrl+C copies the picture the view shows.
#include "session/AppContext.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "view/MapViewer.h"
#include "widgets/SpinEdit.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>
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
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
        // Sheet 61, blue tiles large enough for the detail to scroll.
        auto *sheetField = w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"));
        sheetField->setValue(61);
        ASSERT_EQ(w.context().selection.sheetNumber, QStringLiteral("61"));
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
        EXPECT_EQ(w.context().selection.sheetNumber, QStringLiteral("61"));
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
        // As many pixels as the view shows of the map, on a dense screen too (not doubled).
        const QWidget *shown = c.kind == 0 ? w.find(QStringLiteral("PanelCarte"))
                                           : w.find<QScrollArea>(QStringLiteral("ScrollBox1"))->viewport();
        EXPECT_EQ(copied.size(), shown->size());
        EXPECT_EQ(copied.devicePixelRatio(), 1.0);
        // The map's own pixels: the tiles' blue in the middle of the picture.
        const QColor middle = copied.pixelColor(copied.width() / 2, copied.height() / 2);
        EXPECT_GT(middle.blue(), 150) << middle.name().toStdString();
        EXPECT_LT(middle.red(), 80) << middle.name().toStdString();
        w.find<QAction>(QStringLiteral("Fermer1"))->trigger();
    }
}
