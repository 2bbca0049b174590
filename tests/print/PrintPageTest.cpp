// The pages "Impression" and "Impression poster" and the print panel, driven in the real
// window offscreen; prints go to real PDF files that are read back with poppler.
#include "PdfPages.h"
#include "app/MainWindow.h"
#include "widgets/StatusBar.h"
#include "platform/Paths.h"
#include "print/PageLayout.h"
#include "print/PosterLayout.h"
#include "print/PosterPage.h"
#include "print/PrintPanel.h"
#include "print/PrintZonePage.h"
#include "print/ZonePicture.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "widgets/CheckBox.h"
#include "widgets/RadioGroup.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPrintPreviewWidget>
#include <QSpinBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QColor tileColour(int column, int row)
{
    return QColor(20 + column * 9, 240 - row * 9, (column * 37 + row * 53) % 200 + 20);
}

bool near(QColor a, QColor b, int tolerance = 16)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Collects the print category's warnings while it lives; other messages go on as before.
class PrintWarnings {
public:
    PrintWarnings() : m_previous(qInstallMessageHandler(&PrintWarnings::handle)) { s_current = this; }
    ~PrintWarnings()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    QStringList messages;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (s_current && type == QtWarningMsg && qstrcmp(context.category, "orvantis.print") == 0)
            s_current->messages << message;
        else if (s_current && s_current->m_previous)
            s_current->m_previous(type, context, message);
    }
    static inline PrintWarnings *s_current = nullptr;
    QtMessageHandler m_previous;
};

class PrintPageTest : public ::testing::Test {
protected:
    TestWindow w;
    QTemporaryDir out;

    void SetUp() override
    {
        w.start();
        w.window->showPage(5);
    }
    PrintZonePage &zone() { return *w.window->printZone(); }
    PosterPage &poster() { return *w.window->poster(); }
    PrintPanel &panel() { return *w.window->printPanel(); }
    QString mapFolder() { return w.context().selectedMapFolder(); }

    void writeTile(int column, int row, QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        writeFile(store::tilePath(mapFolder(), column, row), jpegBytes(image, 95));
    }
    void writeTiles(int columns, int rows, QSize size)
    {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                writeTile(c, r, size, tileColour(c, r));
    }
    // A choice made by the user in a picker.
    void pick(const QString &name, int index)
    {
        auto *box = w.find<QComboBox>(name);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QString letters() const
    {
        QString s;
        for (const char *name : {"spSkinComboBox5", "spSkinComboBox3", "spSkinComboBox6", "spSkinComboBox4"})
            s += w.find<QComboBox>(QString::fromLatin1(name))->currentText();
        return s;
    }
    QString pdf(const QString &name) const { return out.path() + u'/' + name; }
    // Posters printed to PDF as one file per page, as before the single-file choice.
    void perPagePdf() { w.find<QCheckBox>(QStringLiteral("UnSeulPdf"))->setChecked(false); }
    // PDF output to `file`; an empty name stands for no file chosen. The name is set first:
    // an empty name turns the printer to the system's default printer when there is one.
    void printToPdf(const QString &file)
    {
        w.window->printer().setOutputFileName(file);
        w.window->printer().setOutputFormat(QPrinter::PdfFormat);
        ASSERT_EQ(w.window->printer().outputFormat(), QPrinter::PdfFormat);
        ASSERT_EQ(w.window->printer().outputFileName(), file);
    }
    QString scratch(const QString &name) { return QDir(w.context().scratchFolder()).filePath(name); }
    // The printable area's place on a page rendered at the printer's resolution.
    QRect printableArea()
    {
        QPrinter &p = w.window->printer();
        return p.pageRect(QPrinter::DevicePixel).toRect().translated(-p.paperRect(QPrinter::DevicePixel).topLeft().toPoint());
    }
};

TEST_F(PrintPageTest, ZoneComposesThePickedTilesWithABlankCellForAMissingTile)
{
    const QSize tile(64, 48);
    writeTiles(4, 3, tile);
    QFile::remove(store::tilePath(mapFolder(), 2, 1));   // column C, row B
    pick(QStringLiteral("spSkinComboBox3"), 3);   // last column D
    pick(QStringLiteral("spSkinComboBox4"), 2);   // last row C
    EXPECT_EQ(letters(), QStringLiteral("ADAC"));
    w.click(QStringLiteral("spSkinButton10"));

    EXPECT_EQ(w.find(QStringLiteral("Quart1"))->geometry(), QRect(0, 0, 256, 144));
    EXPECT_EQ(w.find(QStringLiteral("PanelQuart"))->size(), QSize(256, 144));
    EXPECT_EQ(w.find(QStringLiteral("VueImpression"))->size(), QSize(64, 36));
    EXPECT_EQ(zone().overview().size(), QSize(64, 36));
    const QPixmap finale = w.find<QLabel>(QStringLiteral("VueFinale"))->pixmap();
    EXPECT_EQ(finale.size(), QSize(177, 99));
    EXPECT_TRUE(w.find(QStringLiteral("spSkinButton38"))->isEnabled());
    EXPECT_TRUE(w.find(QStringLiteral("spSkinButton28"))->isEnabled());
    EXPECT_EQ(w.find<QProgressBar>(QStringLiteral("spSkinGauge1"))->value(), 0);
    EXPECT_FALSE(w.find(QStringLiteral("spSkinButton36"))->isEnabled());

    const QImage shown = w.find(QStringLiteral("Quart1"))->grab().toImage();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(store::tileCode(c, r).toStdString());
            const QColor expected = (c == 2 && r == 1) ? QColor(Qt::white) : tileColour(c, r);
            EXPECT_TRUE(near(shown.pixel(c * 64 + 32, r * 48 + 24), expected));
            EXPECT_TRUE(near(zone().overview().pixel(c * 16 + 8, r * 12 + 6), expected));
        }
}

TEST_F(PrintPageTest, PickersCorrectEachOtherAndAChangeClearsTheComposition)
{
    const struct {
        const char *before;   // first/last column, first/last row
        const char *picker;
        char chosen;
        const char *after;
    } moves[] = {
        {"ANAN", "spSkinComboBox5", 'Z', "MNAN"},   // first column Z while the last is N
        {"ANAN", "spSkinComboBox3", 'A', "ABAN"},   // last column A while the first is A
        {"ANAN", "spSkinComboBox3", 'Z', "MZAN"},   // then last Z: 13 = Z - M
        {"MZAN", "spSkinComboBox5", 'A', "ANAN"},
        {"ANAN", "spSkinComboBox4", 'A', "ANAB"},
        {"ANAN", "spSkinComboBox6", 'Z', "ANMN"},
        {"ANAN", "spSkinComboBox4", 'Z', "ANMZ"},
        {"ANCH", "spSkinComboBox6", 'E', "ANEH"},   // within the rules nothing else moves
    };
    const char *names[] = {"spSkinComboBox5", "spSkinComboBox3", "spSkinComboBox6", "spSkinComboBox4"};
    for (const auto &m : moves) {
        SCOPED_TRACE(std::string(m.before) + " " + m.picker + " " + m.chosen);
        for (int i = 0; i < 4; ++i)
            w.find<QComboBox>(QString::fromLatin1(names[i]))->setCurrentIndex(m.before[i] - 'A');
        pick(QString::fromLatin1(m.picker), m.chosen - 'A');
        EXPECT_EQ(letters(), QString::fromLatin1(m.after));
    }
    // Opened, each picker lists 8 letters and scrolls to the others.
    w.window->show();
    for (const char *name : names) {
        SCOPED_TRACE(name);
        auto *picker = w.find<QComboBox>(QString::fromLatin1(name));
        picker->showPopup();
        QAbstractItemView *list = picker->view();
        ASSERT_TRUE(list->isVisible());
        const int row = list->sizeHintForRow(0);
        ASSERT_GT(row, 0);
        EXPECT_EQ(list->viewport()->height() / row, 8);
        picker->hidePopup();
    }

    writeTiles(2, 2, QSize(32, 24));
    w.click(QStringLiteral("spSkinButton10"));
    ASSERT_FALSE(w.find<QLabel>(QStringLiteral("VueFinale"))->pixmap().isNull());
    pick(QStringLiteral("spSkinComboBox5"), 1);
    EXPECT_TRUE(w.find<QLabel>(QStringLiteral("VueFinale"))->pixmap().isNull());
    EXPECT_FALSE(w.find<ZonePicture>(QStringLiteral("Quart1"))->hasPicture());
    EXPECT_TRUE(w.find(QStringLiteral("spSkinButton10"))->isEnabled());
    EXPECT_FALSE(w.find(QStringLiteral("spSkinButton38"))->isEnabled());
    EXPECT_FALSE(w.find(QStringLiteral("spSkinButton28"))->isEnabled());
}

TEST_F(PrintPageTest, WholeSheetPlacesTheFourQuartersSideBySide)
{
    const QColor colours[] = {QColor(220, 30, 30), QColor(30, 200, 30), QColor(30, 30, 220), QColor(230, 220, 30)};
    QByteArray bytes[4];
    for (int q = 0; q < 4; ++q) {
        QImage image(16, 12, QImage::Format_RGB32);
        image.fill(colours[q]);
        bytes[q] = jpegBytes(image, 95);
    }
    for (int i = 0; i < store::kTileCount; ++i) {
        const int c = store::walkColumn(i), r = store::walkRow(i);
        writeFile(store::tilePath(mapFolder(), c, r), bytes[(c >= 13 ? 1 : 0) + (r >= 13 ? 2 : 0)]);
    }
    w.click(QStringLiteral("spSkinButton50"));

    EXPECT_EQ(w.find(QStringLiteral("Quart1"))->geometry(), QRect(0, 0, 208, 156));
    EXPECT_EQ(w.find(QStringLiteral("Quart2"))->geometry(), QRect(208, 0, 208, 156));
    EXPECT_EQ(w.find(QStringLiteral("Quart3"))->geometry(), QRect(0, 156, 208, 156));
    EXPECT_EQ(w.find(QStringLiteral("Quart4"))->geometry(), QRect(208, 156, 208, 156));
    EXPECT_EQ(w.find(QStringLiteral("PanelQuart"))->size(), QSize(416, 312));
    const QImage &overview = zone().overview();
    ASSERT_EQ(overview.size(), QSize(104, 78));
    const QPoint centres[] = {{26, 19}, {78, 19}, {26, 58}, {78, 58}};
    for (int q = 0; q < 4; ++q) {
        SCOPED_TRACE(q + 1);
        EXPECT_TRUE(near(overview.pixel(centres[q]), colours[q]));
        EXPECT_TRUE(near(w.find<ZonePicture>(QStringLiteral("Quart%1").arg(q + 1))->grab().toImage().pixel(100, 70),
                         colours[q]));
    }
    for (const char *b : {"spSkinButton36", "spSkinButton43", "spSkinButton44", "spSkinButton45"})
        EXPECT_TRUE(w.find(QString::fromLatin1(b))->isEnabled());
    w.click(QStringLiteral("spSkinButton10"));
    EXPECT_FALSE(w.find(QStringLiteral("spSkinButton36"))->isEnabled());
    EXPECT_FALSE(w.find<ZonePicture>(QStringLiteral("Quart2"))->hasPicture());
}

TEST_F(PrintPageTest, DraggingTheCompositionScrollsTheBoxTheOtherWay)
{
    writeTiles(4, 3, QSize(128, 96));
    pick(QStringLiteral("spSkinComboBox3"), 3);
    pick(QStringLiteral("spSkinComboBox4"), 2);
    w.click(QStringLiteral("spSkinButton10"));
    w.window->show();
    QScrollBar *h = w.find<QScrollArea>(QStringLiteral("ScrollBox2"))->horizontalScrollBar();
    ASSERT_GT(h->maximum(), 50);
    auto *quart = w.find<ZonePicture>(QStringLiteral("Quart1"));
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(quart->mapFromGlobal(global)), QPointF(global),
                      Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(quart, &e);
    };
    const struct {
        int start, dx, expected;
    } drags[] = {{50, 10, 40}, {5, 10, 0}, {40, -15, 55}};
    for (const auto &d : drags) {
        h->setValue(d.start);
        const QPoint at = quart->mapToGlobal(QPoint(100, 50));
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        send(QEvent::MouseMove, at + QPoint(d.dx, 0), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, at + QPoint(d.dx, 0), Qt::NoButton);
        EXPECT_EQ(h->value(), d.expected);
    }
    // A move without a press does nothing.
    h->setValue(30);
    send(QEvent::MouseMove, quart->mapToGlobal(QPoint(10, 10)), Qt::NoButton);
    EXPECT_EQ(h->value(), 30);
}

TEST_F(PrintPageTest, ARunningDownloadDisablesComposing)
{
    const char *controls[] = {"spSkinButton10", "spSkinButton50", "spSkinComboBox5", "spSkinComboBox3",
                              "spSkinComboBox6", "spSkinComboBox4"};
    w.window->showPage(0);
    w.context().setDownloadRunning(true);
    w.window->showPage(5);
    for (const char *c : controls)
        EXPECT_FALSE(w.find(QString::fromLatin1(c))->isEnabled()) << c;
    w.context().setDownloadRunning(false);
    for (const char *c : controls)
        EXPECT_TRUE(w.find(QString::fromLatin1(c))->isEnabled()) << c;
}

TEST_F(PrintPageTest, PanelOrientationActsOnThePrinterAndCopiesFollowTheUpDown)
{
    auto *orientation = w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup1"));
    orientation->click(1);
    EXPECT_EQ(w.window->printer().pageLayout().orientation(), QPageLayout::Portrait);
    orientation->click(0);
    EXPECT_EQ(w.window->printer().pageLayout().orientation(), QPageLayout::Landscape);

    auto *copies = w.find<QLineEdit>(QStringLiteral("spSkinEdit6"));
    auto *updown = w.find<QScrollBar>(QStringLiteral("spSkinUpDown1"));
    EXPECT_EQ(copies->text(), QStringLiteral("1"));
    EXPECT_EQ(updown->value(), 0);
    updown->setValue(100);
    EXPECT_EQ(copies->text(), QStringLiteral("100"));
    updown->setValue(0);
    EXPECT_EQ(copies->text(), QStringLiteral("0"));
    // ▲ on top (the scroll bar's step back, as its arrow and the Up key give it) adds a copy;
    // ▼ below takes one away.
    const struct { QAbstractSlider::SliderAction action; int copies; } steps[] = {
        {QAbstractSlider::SliderSingleStepSub, 1}, {QAbstractSlider::SliderSingleStepSub, 2},
        {QAbstractSlider::SliderSingleStepAdd, 1}, {QAbstractSlider::SliderSingleStepAdd, 0},
        {QAbstractSlider::SliderSingleStepAdd, 0},
    };
    for (const auto &step : steps) {
        updown->triggerAction(step.action);
        EXPECT_EQ(copies->text(), QString::number(step.copies)) << step.action;
    }
}

TEST_F(PrintPageTest, ZonePrintsOnOneLandscapePageWithHeaderPictureAndFooter)
{
    // Three tiles across, two down: a wide picture that leaves room for the header.
    writeTiles(3, 2, QSize(64, 48));
    pick(QStringLiteral("spSkinComboBox3"), 2);
    pick(QStringLiteral("spSkinComboBox4"), 1);
    w.click(QStringLiteral("spSkinButton10"));
    w.click(QStringLiteral("spSkinButton38"));

    auto *visu = w.find(QStringLiteral("VisuImp"));
    // Centred over the window, above the pages and above any map view.
    const QSize client = w.window->size();
    EXPECT_TRUE(visu->isVisibleTo(w.window.get()));
    EXPECT_TRUE(visu->isEnabled());
    EXPECT_EQ(visu->pos(), QPoint((client.width() - 361) / 2, (client.height() - 257) / 2));
    EXPECT_EQ(w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup1"))->itemIndex(), 0);
    const QString header = QStringLiteral("Carte n° 1 ( Cassini couleurs )");
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit7"))->text(), header);
    EXPECT_TRUE(QFile::exists(scratch(QStringLiteral("imprime.bmp"))));
    EXPECT_EQ(panel().printBitmap().format(), QImage::Format_RGB888);
    EXPECT_EQ(panel().printBitmap().size(), QSize(48, 24));

    printToPdf(pdf(QStringLiteral("zone.pdf")));
    w.click(QStringLiteral("spSkinButton19"));
    EXPECT_FALSE(visu->isVisibleTo(w.window.get()));
    EXPECT_FALSE(QFile::exists(scratch(QStringLiteral("imprime.bmp"))));
    ASSERT_TRUE(QFile::exists(pdf(QStringLiteral("zone.pdf"))));
    EXPECT_TRUE(w.desktop.kinds().isEmpty()) << w.desktop.kinds().join(u',').toStdString();

    const QString text = pdfText(pdf(QStringLiteral("zone.pdf")));
    EXPECT_TRUE(text.contains(header)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Orvantis - http://www.orvantis.fr"))) << text.toStdString();

    QPrinter &printer = w.window->printer();
    const QImage page = renderPdf(pdf(QStringLiteral("zone.pdf")), printer.resolution());
    ASSERT_FALSE(page.isNull());
    const QRect area = printableArea();
    const int dpi = printer.resolution();
    const int h = printing::headerCellHeight(dpi);
    const printing::PageLayout l = printing::layoutPage(area.size(), true, {48, 24}, 0, h,
                                                        printing::footerCellHeight(dpi));
    const QRect picture = l.picture.translated(area.topLeft());
    ASSERT_GT(picture.top(), area.top() + 2 * h);
    const double cellWidth = picture.width() / 3.0, cellHeight = picture.height() / 2.0;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            SCOPED_TRACE(store::tileCode(c, r).toStdString());
            const QPoint at(picture.left() + int(cellWidth * (c + 0.5)), picture.top() + int(cellHeight * (r + 0.5)));
            EXPECT_TRUE(near(page.pixel(at), tileColour(c, r)));
        }
    // Just outside the picture the page is white; the header lies in its line.
    EXPECT_TRUE(near(page.pixel(picture.left() - 4, picture.center().y()), Qt::white));
    EXPECT_TRUE(near(page.pixel(picture.center().x(), picture.top() - 4), Qt::white));
    EXPECT_TRUE(near(page.pixel(picture.center().x(), picture.bottom() + 4), Qt::white));
    auto darkIn = [&](QRect band) {
        int n = 0;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x)
                n += qGray(page.pixel(x, y)) < 128;
        return n;
    };
    const int top = area.top();
    EXPECT_GT(darkIn(QRect(area.left() + area.width() / 3, top + h, area.width() / 3, h)), 30);
    EXPECT_EQ(darkIn(QRect(area.left(), top, area.width(), h - 1)), 0);
    EXPECT_EQ(darkIn(QRect(area.left(), top + 2 * h + 2, area.width() / 5, h)), 0);   // centred, not at the left
    const int f = printing::footerCellHeight(dpi);
    EXPECT_GT(darkIn(QRect(area.left() + l.margin, area.bottom() - f, area.width() / 4, f)), 20);
}

TEST_F(PrintPageTest, NoPrinterAndNoFileEndsWithAMessageAndRemovesTheTransferFile)
{
    writeTiles(2, 2, QSize(32, 24));
    pick(QStringLiteral("spSkinComboBox3"), 1);
    pick(QStringLiteral("spSkinComboBox4"), 1);
    w.click(QStringLiteral("spSkinButton10"));
    w.click(QStringLiteral("spSkinButton38"));
    printToPdf(QString());
    w.click(QStringLiteral("spSkinButton19"));
    ASSERT_NE(w.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_TRUE(w.desktop.last(QStringLiteral("error"))->text.contains(QStringLiteral("Aucune imprimante")));
    EXPECT_FALSE(QFile::exists(scratch(QStringLiteral("imprime.bmp"))));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    auto *visu = w.find(QStringLiteral("VisuImp"));
    EXPECT_TRUE(visu->isVisibleTo(w.window.get()));
    w.click(QStringLiteral("spSkinButton20"));
    EXPECT_FALSE(visu->isVisibleTo(w.window.get()));
}

// The panel's header is the shared print header: it shows what was set last (the caption
// of a one-page print, the last page of a poster), and what the user types there prints.
TEST_F(PrintPageTest, PanelHeaderFollowsTheSharedHeaderAndTheTypedHeaderPrints)
{
    writeTiles(2, 2, QSize(200, 150));
    pick(QStringLiteral("spSkinComboBox3"), 1);
    pick(QStringLiteral("spSkinComboBox4"), 1);
    w.click(QStringLiteral("spSkinButton10"));
    auto *header = w.find<QLineEdit>(QStringLiteral("spSkinEdit7"));

    w.click(QStringLiteral("spSkinButton28"));
    w.find<QSlider>(QStringLiteral("spSkinTrackBar1"))->setValue(2);   // 2 x 2 pages
    printToPdf(pdf(QStringLiteral("poster.pdf")));
    perPagePdf();
    w.click(QStringLiteral("spSkinButton39"));
    EXPECT_TRUE(w.desktop.kinds().isEmpty()) << w.desktop.kinds().join(u',').toStdString();
    EXPECT_EQ(header->text(), QStringLiteral("Carte n° 1 ( Cassini couleurs ) - Page n° 4"));
    EXPECT_EQ(w.context().options().printHeader(), header->text());

    w.window->showPage(5);
    w.click(QStringLiteral("spSkinButton10"));
    w.click(QStringLiteral("spSkinButton38"));
    EXPECT_EQ(header->text(), QStringLiteral("Carte n° 1 ( Cassini couleurs )"));
    header->selectAll();
    QTest::keyClicks(header, QStringLiteral("Titre choisi"));
    EXPECT_EQ(w.context().options().printHeader(), QStringLiteral("Titre choisi"));
    printToPdf(pdf(QStringLiteral("typed.pdf")));
    w.click(QStringLiteral("spSkinButton19"));
    const QString text = pdfText(pdf(QStringLiteral("typed.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("Titre choisi"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Carte n°"))) << text.toStdString();
}

TEST_F(PrintPageTest, PosterPrintsOneNumberedPdfPerPageWithItsPieceOfTheSource)
{
    EXPECT_EQ(numberedPdfName(QStringLiteral("/tmp/poster.pdf"), 3), QStringLiteral("/tmp/poster-3.pdf"));
    EXPECT_EQ(numberedPdfName(QStringLiteral("/tmp/poster"), 12), QStringLiteral("/tmp/poster-12"));

    writeTiles(2, 2, QSize(200, 150));
    pick(QStringLiteral("spSkinComboBox3"), 1);
    pick(QStringLiteral("spSkinComboBox4"), 1);
    w.click(QStringLiteral("spSkinButton10"));
    w.click(QStringLiteral("spSkinButton28"));
    EXPECT_EQ(w.window->pageControl()->currentIndex(), 6);
    auto *slider = w.find<QSlider>(QStringLiteral("spSkinTrackBar1"));
    EXPECT_EQ(slider->maximum(), 9);
    EXPECT_EQ(slider->value(), 9);
    EXPECT_EQ(w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup3"))->itemIndex(), 1);
    // 400 x 300 at the largest size: box 369 x 276.
    EXPECT_EQ(w.find<QLabel>(QStringLiteral("spSkinStatusPanel2"))->text(), QStringLiteral("Impression 45 pages. (5x9)"));
    slider->setValue(2);   // box 82 x 61: 2 x 2 pages
    EXPECT_EQ(w.find<QLabel>(QStringLiteral("spSkinStatusPanel2"))->text(), QStringLiteral("Impression 4 pages. (2x2)"));
    EXPECT_EQ(w.find(QStringLiteral("BoxA4"))->size(), QSize(82, 61));
    // The assembly plan is one page more, and the count says so.
    w.find<CheckBox>(QStringLiteral("PlanAssemblage"))->setChecked(true);
    EXPECT_EQ(w.find<QLabel>(QStringLiteral("spSkinStatusPanel2"))->text(), QStringLiteral("Impression 5 pages. (2x2 + plan)"));
    w.find<CheckBox>(QStringLiteral("PlanAssemblage"))->setChecked(false);
    EXPECT_EQ(w.find<QLabel>(QStringLiteral("spSkinStatusPanel2"))->text(), QStringLiteral("Impression 4 pages. (2x2)"));

    printToPdf(pdf(QStringLiteral("poster.pdf")));
    perPagePdf();
    w.click(QStringLiteral("spSkinButton39"));
    EXPECT_TRUE(w.desktop.kinds().isEmpty()) << w.desktop.kinds().join(u',').toStdString();
    EXPECT_FALSE(QFile::exists(pdf(QStringLiteral("poster.pdf"))));
    EXPECT_EQ(QDir(w.context().scratchFolder()).entryList({QStringLiteral("imprime*")}),
              QStringList());
    EXPECT_EQ(w.window->printer().pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(w.window->printer().outputFileName(), pdf(QStringLiteral("poster.pdf")));

    const printing::TileComposition &source = zone().quarter(1);
    const QSize piece = printing::pieceSize(source.size(), {82, 61});
    EXPECT_EQ(piece, QSize(200, 285));
    QPrinter &printer = w.window->printer();
    const int dpi = printer.resolution();
    const QRect area = printableArea();
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        const QString file = pdf(QStringLiteral("poster-%1.pdf").arg(n));
        ASSERT_TRUE(QFile::exists(file));
        EXPECT_TRUE(pdfText(file).contains(QStringLiteral("Carte n° 1 ( Cassini couleurs ) - Page n° %1").arg(n)));
        const int row = (n - 1) / 2 + 1, column = (n - 1) % 2 + 1;
        const QImage expected = source.render(
            printing::pieceRect(row, column, 2, piece, source.size(), printing::Alignment::Bottom));
        const QImage page = renderPdf(file, dpi);
        ASSERT_FALSE(page.isNull());
        const printing::PageLayout l = printing::layoutPage(area.size(), false, piece, 0,
                                                            printing::headerCellHeight(dpi), 0);
        const QRect picture = l.picture.translated(area.topLeft());
        int compared = 0;
        for (int sy = 2; sy < piece.height(); sy += 7)
            for (int sx = 2; sx < piece.width(); sx += 7) {
                // Only points well inside a uniform region: colour edges blur when scaled.
                const QRect around = QRect(sx - 2, sy - 2, 5, 5) & expected.rect();
                bool uniform = true;
                for (int y = around.top(); y <= around.bottom() && uniform; ++y)
                    for (int x = around.left(); x <= around.right() && uniform; ++x)
                        uniform = near(expected.pixel(x, y), expected.pixel(sx, sy), 2);
                if (!uniform)
                    continue;
                const QPoint at(picture.left() + int((sx + 0.5) * picture.width() / piece.width()),
                                picture.top() + int((sy + 0.5) * picture.height() / piece.height()));
                ASSERT_TRUE(near(page.pixel(at), expected.pixel(sx, sy)))
                    << sx << "," << sy << " page " << QColor(page.pixel(at)).name().toStdString()
                    << " expected " << QColor(expected.pixel(sx, sy)).name().toStdString();
                ++compared;
            }
        EXPECT_GT(compared, 500);
    }
    // The first row carries the top of the source at the bottom of its pages, white above.
    const QImage first = source.render(printing::pieceRect(1, 1, 2, piece, source.size(), printing::Alignment::Bottom));
    EXPECT_TRUE(near(first.pixel(100, 10), Qt::white));
    EXPECT_TRUE(near(first.pixel(100, 280), tileColour(0, 0)));
}

TEST_F(PrintPageTest, QuarterSuffixNamesThePagesUntilAPrintEndsAndLeavingThePageClearsAll)
{
    writeTiles(26, 26, QSize(16, 12));
    w.click(QStringLiteral("spSkinButton50"));
    w.click(QStringLiteral("spSkinButton28"));
    w.click(QStringLiteral("spSkinButton44"));   // "Quart 3": top alignment
    EXPECT_EQ(w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup3"))->itemIndex(), 0);
    w.click(QStringLiteral("spSkinButton43"));   // "Quart 2": bottom alignment
    EXPECT_EQ(w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup3"))->itemIndex(), 1);
    EXPECT_EQ(poster().sourceQuarter(), 2);
    w.find<QSlider>(QStringLiteral("spSkinTrackBar1"))->setValue(1);
    EXPECT_EQ(w.find<QLabel>(QStringLiteral("spSkinStatusPanel2"))->text(), QStringLiteral("Impression sur une page."));

    printToPdf(pdf(QStringLiteral("quart.pdf")));
    perPagePdf();
    w.click(QStringLiteral("spSkinButton39"));
    EXPECT_TRUE(pdfText(pdf(QStringLiteral("quart-q2-1.pdf")))
                    .contains(QStringLiteral("Carte n° 1 ( Cassini couleurs ) - Page n° 1 du quart supérieur droit")));
    EXPECT_TRUE(poster().currentQuarterSuffix().isEmpty());
    w.click(QStringLiteral("spSkinButton39"));
    const QString again = pdfText(pdf(QStringLiteral("quart-1.pdf")));
    EXPECT_TRUE(again.contains(QStringLiteral("Carte n° 1 ( Cassini couleurs ) - Page n° 1")));
    EXPECT_FALSE(again.contains(QStringLiteral("quart")));

    w.window->showPage(5);
    for (const char *b : {"spSkinButton38", "spSkinButton28", "spSkinButton39", "spSkinButton36",
                          "spSkinButton43", "spSkinButton44", "spSkinButton45"})
        EXPECT_FALSE(w.find(QString::fromLatin1(b))->isEnabled()) << b;
    EXPECT_TRUE(w.find<QLabel>(QStringLiteral("VueFinale"))->pixmap().isNull());
    EXPECT_TRUE(zone().quarter(1).isNull());
    EXPECT_TRUE(zone().overview().isNull());
}

} // namespace

namespace {

TEST_F(PrintPageTest, PrinterChosenInTheSystemDialogCanBeAPdfFile)
{
    const QString file = pdf(QStringLiteral("chosen.pdf"));
    bool answered = false;
    // The dialog is modal: answer it from the event loop it runs.
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
        if (printers && name) {
            // The file entry comes after the system's printers (one of which may be called PDF).
            printers->setCurrentIndex(printers->count() - 1);
            name->setText(file);
            answered = true;
        }
        static_cast<QDialog *>(dialog)->accept();
    });
    w.window->showPage(7);
    w.click(QStringLiteral("spSkinButton48"));
    ASSERT_TRUE(answered);
    EXPECT_EQ(w.window->printer().outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(w.window->printer().outputFileName(), file);

    panel().printImage(QImage(QSize(300, 200), QImage::Format_RGB32), QStringLiteral("Vue de la carte"));
    w.click(QStringLiteral("spSkinButton19"));
    EXPECT_TRUE(w.desktop.kinds().isEmpty()) << w.desktop.kinds().join(u',').toStdString();
    EXPECT_TRUE(pdfText(file).contains(QStringLiteral("Vue de la carte")));
}

// Printing a whole sheet by quarters to PDF files: each quarter's pages keep their own
// files, and files printed earlier are replaced only when the user says so.
TEST_F(PrintPageTest, QuartersPrintedToFilesKeepTheirOwnPagesAndAskBeforeReplacing)
{
    EXPECT_EQ(numberedPdfName(QStringLiteral("/tmp/poster.pdf"), 3, 4), QStringLiteral("/tmp/poster-q4-3.pdf"));
    writeTiles(26, 26, QSize(16, 12));
    w.click(QStringLiteral("spSkinButton50"));
    w.click(QStringLiteral("spSkinButton28"));
    printToPdf(pdf(QStringLiteral("carte.pdf")));
    perPagePdf();
    const struct { const char *button; int quarter; const char *words; } quarters[] = {
        {"spSkinButton36", 1, "quart supérieur gauche"},
        {"spSkinButton43", 2, "quart supérieur droit"},
    };
    for (const auto &q : quarters) {
        w.click(QString::fromLatin1(q.button));
        w.find<QSlider>(QStringLiteral("spSkinTrackBar1"))->setValue(2);
        w.click(QStringLiteral("spSkinButton39"));
    }
    EXPECT_TRUE(w.desktop.kinds().isEmpty()) << w.desktop.kinds().join(u',').toStdString();
    for (const auto &q : quarters)
        for (int n = 1; n <= 4; ++n)
            EXPECT_TRUE(pdfText(pdf(QStringLiteral("carte-q%1-%2.pdf").arg(q.quarter).arg(n)))
                            .contains(QString::fromUtf8(q.words)))
                << q.quarter << " page " << n;

    // Quarter 1 again: the user refuses to replace, nothing is written; then accepts.
    const QByteArray before("a file the user keeps");
    writeFile(pdf(QStringLiteral("carte-q1-1.pdf")), before);
    w.click(QStringLiteral("spSkinButton36"));
    w.find<QSlider>(QStringLiteral("spSkinTrackBar1"))->setValue(2);
    w.desktop.confirmAnswers = {false};
    w.click(QStringLiteral("spSkinButton39"));
    ASSERT_NE(w.desktop.last(QStringLiteral("confirm")), nullptr);
    EXPECT_TRUE(w.desktop.last(QStringLiteral("confirm"))->text.contains(QStringLiteral("carte-q1-4.pdf")));
    EXPECT_EQ(readFile(pdf(QStringLiteral("carte-q1-1.pdf"))), before);
    w.desktop.confirmAnswers = {true};
    w.click(QStringLiteral("spSkinButton39"));
    EXPECT_TRUE(pdfText(pdf(QStringLiteral("carte-q1-1.pdf"))).contains(QStringLiteral("quart supérieur gauche")));
    EXPECT_EQ(w.desktop.kinds().count(QStringLiteral("confirm")), 2);

    // Into one file, each quarter also gets its own: the file chosen, named with its quarter.
    w.find<QCheckBox>(QStringLiteral("UnSeulPdf"))->setChecked(true);
    for (const auto &q : quarters) {
        w.click(QString::fromLatin1(q.button));
        w.find<QSlider>(QStringLiteral("spSkinTrackBar1"))->setValue(2);
        w.click(QStringLiteral("spSkinButton39"));
        EXPECT_TRUE(pdfText(pdf(QStringLiteral("carte-q%1.pdf").arg(q.quarter))).contains(QString::fromUtf8(q.words)))
            << q.quarter;
    }
    EXPECT_FALSE(QFileInfo::exists(pdf(QStringLiteral("carte.pdf"))));
}

// Every print that fails tells the user and leaves a warning in the log that names the
// file or the printer.
TEST_F(PrintPageTest, FailedPrintsAndTransferFilesAreLogged)
{
    writeTiles(2, 2, QSize(200, 150));
    pick(QStringLiteral("spSkinComboBox3"), 1);
    pick(QStringLiteral("spSkinComboBox4"), 1);
    const QString missing = out.path() + QStringLiteral("/missing/");
    const struct {
        const char *what;
        std::function<void()> fail;
        QString logged;   // a part of the warning: the file that could not be written
    } cases[] = {
        {"one page to PDF",
         [&] {
             w.click(QStringLiteral("spSkinButton38"));
             printToPdf(missing + QStringLiteral("zone.pdf"));
             w.click(QStringLiteral("spSkinButton19"));
             w.click(QStringLiteral("spSkinButton20"));
         },
         missing + QStringLiteral("zone.pdf")},
        {"poster page by page",
         [&] {
             w.click(QStringLiteral("spSkinButton28"));
             printToPdf(missing + QStringLiteral("poster.pdf"));
             perPagePdf();
             w.click(QStringLiteral("spSkinButton39"));
         },
         missing + QStringLiteral("poster-1.pdf")},
        {"poster in one file",
         [&] {
             w.click(QStringLiteral("spSkinButton28"));
             printToPdf(missing + QStringLiteral("carte.pdf"));
             w.find<QCheckBox>(QStringLiteral("UnSeulPdf"))->setChecked(true);
             w.click(QStringLiteral("spSkinButton39"));
         },
         missing + QStringLiteral("carte.pdf")},
        {"transfer file",   // last: the scratch folder goes
         [&] {
             ASSERT_TRUE(QDir(w.context().scratchFolder()).removeRecursively());
             w.click(QStringLiteral("spSkinButton38"));
         },
         QDir(w.context().scratchFolder()).filePath(QStringLiteral("imprime.bmp"))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        w.window->showPage(5);
        w.click(QStringLiteral("spSkinButton10"));
        const qsizetype errors = w.desktop.kinds().count(QStringLiteral("error"));
        PrintWarnings warnings;
        c.fail();
        EXPECT_EQ(w.desktop.kinds().count(QStringLiteral("error")), errors + 1);
        ASSERT_EQ(warnings.messages.size(), 1) << warnings.messages.join(u'|').toStdString();
        EXPECT_TRUE(warnings.messages.first().contains(c.logged)) << warnings.messages.first().toStdString();
    }
}

TEST_F(PrintPageTest, APosterPageThatCannotBePrintedEndsThePrintThere)
{
    writeTiles(2, 2, QSize(200, 150));
    pick(QStringLiteral("spSkinComboBox3"), 1);
    pick(QStringLiteral("spSkinComboBox4"), 1);
    w.click(QStringLiteral("spSkinButton10"));
    w.click(QStringLiteral("spSkinButton28"));
    w.click(QStringLiteral("spSkinButton43"));   // disabled after "Zone": nothing changes
    EXPECT_TRUE(poster().currentQuarterSuffix().isEmpty());
    const QString unwritable = out.path() + QStringLiteral("/missing/poster.pdf");
    printToPdf(unwritable);
    perPagePdf();
    w.click(QStringLiteral("spSkinButton39"));
    const auto errors = w.desktop.kinds().count(QStringLiteral("error"));
    EXPECT_EQ(errors, 1);
    ASSERT_NE(w.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_EQ(w.desktop.last(QStringLiteral("error"))->text,
              QStringLiteral("Impossible de créer le fichier ") + out.path() + QStringLiteral("/missing/poster-1.pdf"));
    EXPECT_EQ(QDir(w.context().scratchFolder()).entryList({QStringLiteral("imprime*")}),
              QStringList());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w.window->printer().outputFileName(), unwritable);
}

} // namespace
