// Every text of every page and view is whole at the fonts and skin the program installs:
// no label, button, check box, radio button, group caption or tab is narrower or lower than
// its text, no control sticks out of its box, and no two controls side by side overlap.
// Built twice: at the screen's own scale and at a scale of 2 (QT_SCALE_FACTOR).
#include "widgets/StatusBar.h"
#include "catalogue/ArchivePage.h"
#include "catalogue/CassiniPage.h"
#include "print/PrintPanel.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "view/MapViewer.h"
#include "widgets/SpinEdit.h"
#include "widgets/TextFit.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QLabel>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QDeadlineTimer>
#include <QDir>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// The program's own controls carry a name; Qt's parts of a control do not (or "qt_...").
bool isProgramControl(const QWidget *widget)
{
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QStringLiteral("qt_"));
}

bool isControl(const QWidget *widget)
{
    return textfit::showsText(widget) || qobject_cast<const QLineEdit *>(widget)
        || qobject_cast<const QAbstractSpinBox *>(widget) || qobject_cast<const QComboBox *>(widget)
        || qobject_cast<const QProgressBar *>(widget) || qobject_cast<const QSlider *>(widget);
}

QString describe(const QWidget *widget)
{
    QString text;
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        text = button->text();
    else if (auto *label = qobject_cast<const QLabel *>(widget))
        text = label->text();
    else if (auto *box = qobject_cast<const QGroupBox *>(widget))
        text = box->title();
    return widget->objectName() + QStringLiteral(" \"") + text + u'"';
}

// What is wrong with the texts and places of the visible controls of the window.
QStringList faults(QWidget *window)
{
    QStringList found;
    const auto size = [](QSize s) { return QStringLiteral("%1x%2").arg(s.width()).arg(s.height()); };
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisible() || !isProgramControl(widget) || !isControl(widget))
            continue;
        const textfit::Room room = textfit::textRoom(widget);
        if (!room.needed.isEmpty() && !room.fits())
            found << describe(widget) + QStringLiteral(" needs ") + size(room.needed) + QStringLiteral(", has ")
                         + size(room.available);
        const QWidget *parent = widget->parentWidget();
        const bool inScrolledArea = parent && qobject_cast<const QAbstractScrollArea *>(parent->parentWidget());
        if (parent && !inScrolledArea && !parent->rect().contains(widget->geometry()))
            found << describe(widget) + QStringLiteral(" sticks out of ") + parent->objectName();
    }
    // Controls side by side in one box never overlap.
    QList<QWidget *> parents{window};
    parents += window->findChildren<QWidget *>();
    for (QWidget *parent : parents) {
        QList<QWidget *> controls;
        for (QObject *object : parent->children())
            if (auto *w = qobject_cast<QWidget *>(object);
                w && w->isVisible() && !w->isWindow() && isProgramControl(w) && isControl(w))
                controls << w;
        for (int i = 0; i < controls.size(); ++i)
            for (int j = i + 1; j < controls.size(); ++j)
                if (controls[i]->geometry().intersects(controls[j]->geometry()))
                    found << describe(controls[i]) + QStringLiteral(" overlaps ") + describe(controls[j]);
    }
    // Tabs: each whole, all within the bar.
    for (QTabBar *bar : window->findChildren<QTabBar *>()) {
        if (!bar->isVisible())
            continue;
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = bar->tabRect(i);
            const int text = bar->fontMetrics().horizontalAdvance(bar->tabText(i));
            if (tab.width() < text + 4 || tab.right() >= bar->width())
                found << QStringLiteral("tab \"") + bar->tabText(i) + QStringLiteral("\" is cut");
        }
    }
    return found;
}

class TextFit : public ::testing::Test {
protected:
    TestWindow w{{{QStringLiteral("affichage"), QStringLiteral("1")}}};

    void SetUp() override
    {
        w.installSkin();
        w.start();
        w.window->show();
        const QString folder = w.context().selectedMapFolder();
        writeTiles(folder, firstTiles(store::kTileCount), 16, 12);
        w.context().refreshSelectionStatus();
    }
    void expectWhole(const char *where)
    {
        QApplication::processEvents();
        const QStringList found = faults(w.window.get());
        EXPECT_TRUE(found.isEmpty()) << where << ":\n  " << found.join(QStringLiteral("\n  ")).toStdString();
    }
    void trigger(const QString &action) { w.find<QAction>(action)->trigger(); }
};

TEST_F(TextFit, EveryPageAndViewShowsWholeTextsAndNoOverlap)
{
    const char *pages[] = {"Recherche", "Villes", "Cartes de Cassini", "Autres cartes", "Téléchargement",
                           "Impression", "Impression poster", "Préférences", "A Propos"};
    for (int page = 0; page < 9; ++page) {
        w.window->showPage(page);
        expectWhole(pages[page]);
    }

    // Pages in their other states: the Cassini check, a composed zone and its poster, the
    // print panel, an archive map selected.
    w.window->showPage(2);
    w.click(QStringLiteral("spSkinButton13"));
    expectWhole("Cartes de Cassini after the check");
    w.window->showPage(5);
    w.click(QStringLiteral("spSkinButton50"));
    expectWhole("Impression with the whole sheet");
    w.click(QStringLiteral("spSkinButton38"));
    expectWhole("Impression with the print panel");
    w.click(QStringLiteral("spSkinButton20"));
    w.click(QStringLiteral("spSkinButton28"));
    expectWhole("Impression poster with the sheet");
    w.window->showPage(3);
    w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"))->setCurrentRow(11);
    expectWhole("Autres cartes with a map");

    // The views: preview, detail with the magnifier, the print panel over a view, and
    // "Affichage impossible".
    w.window->showPage(2);
    w.click(QStringLiteral("spSkinButton16"));
    expectWhole("preview");
    trigger(QStringLiteral("Dtail1"));
    trigger(QStringLiteral("Afficher1"));
    expectWhole("detail with the magnifier");
    trigger(QStringLiteral("Imprimer1"));
    expectWhole("detail with the print panel");
    w.click(QStringLiteral("spSkinButton20"));
    trigger(QStringLiteral("Fermer1"));
    w.window->statusBarWidget()->setSheetNumber(2);
    w.click(QStringLiteral("spSkinButton16"));
    expectWhole("Affichage impossible");
}

// A long maps root is shown whole in its tooltip and shortened in its middle in the label,
// at the label's own font, beside "Changer"; the download list's two columns fit beside its
// vertical bar, so that it has no horizontal one.
TEST_F(TextFit, LongMapsRootAndTheDownloadListFitTheirRoom)
{
    w.window->showPage(7);
    QApplication::processEvents();
    const QFont labelFont = w.find<QLabel>(QStringLiteral("DirCartes"))->font();   // with a short root
    QTemporaryDir deep;
    QString root = deep.path();
    for (int i = 0; i < 6; ++i)
        root += QStringLiteral("/Dossier des cartes anciennes de France numéro %1").arg(i);
    ASSERT_TRUE(QDir().mkpath(root));
    w.context().setMapsRoot(root);
    w.window->showPage(7);
    QApplication::processEvents();
    auto *label = w.find<QLabel>(QStringLiteral("DirCartes"));
    EXPECT_EQ(label->toolTip(), root);
    EXPECT_TRUE(label->text().contains(QChar(0x2026))) << label->text().toStdString();
    EXPECT_TRUE(label->text().startsWith(root.left(8))) << label->text().toStdString();
    EXPECT_TRUE(label->text().endsWith(root.right(8))) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
    EXPECT_EQ(QFontInfo(label->font()).pixelSize(), QFontInfo(labelFont).pixelSize());
    EXPECT_EQ(QFontInfo(label->font()).family(), QFontInfo(labelFont).family());
    expectWhole("Préférences with a long maps root");

    // The whole sheet's list: a vertical bar, and no horizontal one.
    w.window->showPage(4);
    w.click(QStringLiteral("spSkinButton8"));
    QApplication::processEvents();
    auto *list = w.find<QTreeView>(QStringLiteral("spSkinListView1"));
    ASSERT_EQ(list->model()->rowCount(), store::kTileCount);
    // The bars follow the list when the view lays itself out again.
    for (QDeadlineTimer deadline(30000); !list->verticalScrollBar()->isVisible() && !deadline.hasExpired();)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(list->verticalScrollBar()->isVisible());
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    EXPECT_LE(list->header()->length(), list->viewport()->width());
    for (int column = 0; column < 2; ++column) {
        const QString title = list->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(list->header()->sectionSize(column), list->header()->fontMetrics().horizontalAdvance(title))
            << title.toStdString();
    }
    expectWhole("Téléchargement with the whole list");
}

// The logo, the index map and the About banner are drawn at the screen's pixel density:
// on a screen of twice the density, their edges are drawn in device pixels, not as pixels
// of a picture made for a single density and doubled (every 2 x 2 block one colour).
TEST_F(TextFit, DrawnPicturesAreSharpAtTheScreensDensity)
{
    if (w.window->devicePixelRatioF() < 2)
        GTEST_SKIP() << "a screen of single density";
    const std::pair<int, const char *> pictures[] = {{0, "LogoFranceText"}, {2, "Image1"}, {8, "spSkinLinkImage1"}};
    for (const auto &[page, name] : pictures) {
        w.window->showPage(page);
        QApplication::processEvents();
        QWidget *picture = w.find(QString::fromLatin1(name));
        const QImage image = picture->grab().toImage();
        ASSERT_EQ(image.width(), 2 * picture->width()) << name;
        int mixed = 0;
        for (int y = 0; y + 1 < image.height(); y += 2)
            for (int x = 0; x + 1 < image.width(); x += 2) {
                const QRgb p = image.pixel(x, y);
                if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p)
                    ++mixed;
            }
        EXPECT_GT(mixed, 20) << name << " is a doubled single-density picture";
    }
    // No page shows a picture made for a single density.
    for (int page = 0; page < 9; ++page) {
        w.window->showPage(page);
        for (QLabel *label : w.window->page(page)->findChildren<QLabel *>())
            if (label->isVisible() && !label->pixmap().isNull())
                EXPECT_GE(label->pixmap().devicePixelRatio(), 2.0) << label->objectName().toStdString();
    }
}

} // namespace
