// Posters that people assemble: overlap between pages, cut marks, the assembly plan, one
// PDF file for all pages, and the print previews. Driven in the real window offscreen;
// the PDF files are rendered back with poppler.
#include "PdfPages.h"
#include "app/MainWindow.h"
#include "print/PageLayout.h"
#include "print/PosterLayout.h"
#include "print/PosterPage.h"
#include "print/PrintPanel.h"
#include "print/PrintZonePage.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "widgets/CheckBox.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

constexpr int kBlock = 25;   // the source is a chequer of flat blocks of this size

// Colour of the block (bx, by) of the whole source: neighbours always differ.
QColor blockColour(int bx, int by)
{
    return QColor((bx * 67 + by * 23) % 200 + 30, (by * 71 + bx * 13) % 200 + 30, ((bx + by) % 3) * 90 + 20);
}

bool near(QColor a, QColor b, int tolerance = 20)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

class PosterAssemblyTest : public ::testing::Test {
protected:
    TestWindow w;
    QTemporaryDir out;
    static constexpr QSize kTile{200, 150};

    void SetUp() override
    {
        w.start();
        w.window->showPage(5);
        // 2 x 2 tiles of 200 x 150, each a chequer of blocks: a source of 400 x 300.
        const QString folder = w.context().selectedMapFolder();
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) {
                QImage tile(kTile, QImage::Format_RGB32);
                QPainter p(&tile);
                for (int y = 0; y < kTile.height(); y += kBlock)
                    for (int x = 0; x < kTile.width(); x += kBlock)
                        p.fillRect(x, y, kBlock, kBlock,
                                   blockColour((c * kTile.width() + x) / kBlock, (r * kTile.height() + y) / kBlock));
                p.end();
                writeFile(store::tilePath(folder, c, r), jpegBytes(tile, 98));
            }
        for (const char *name : {"spSkinComboBox3", "spSkinComboBox4"}) {
            auto *box = w.find<QComboBox>(QString::fromLatin1(name));
            box->setCurrentIndex(1);
            emit box->activated(1);
        }
        w.click(QStringLiteral("spSkinButton10"));   // "Zone"
        w.click(QStringLiteral("spSkinButton28"));   // "Imprimer sur X feuilles"
        w.find<QSlider>(QStringLiteral("spSkinTrackBar1"))->setValue(2);   // 2 x 2 pages
    }
    PosterPage &poster() { return *w.window->poster(); }
    QPrinter &printer() { return w.window->printer(); }
    QString pdf(const QString &name) const { return out.path() + u'/' + name; }
    void printTo(const QString &file, bool oneFile)
    {
        printer().setOutputFormat(QPrinter::PdfFormat);
        printer().setOutputFileName(file);
        w.find<CheckBox>(QStringLiteral("UnSeulPdf"))->setChecked(oneFile);
        w.click(QStringLiteral("spSkinButton39"));
        EXPECT_TRUE(w.desktop.kinds().isEmpty()) << w.desktop.kinds().join(u',').toStdString();
    }
    QRect printableArea()
    {
        return printer().pageRect(QPrinter::DevicePixel).toRect()
            .translated(-printer().paperRect(QPrinter::DevicePixel).topLeft().toPoint());
    }
    // Where a page puts a buffer of `buffer` pixels, on the page rendered at the printer's
    // resolution.
    QRect pictureOnPage(QSize buffer)
    {
        const int dpi = printer().resolution();
        return printing::layoutPage(printableArea().size(), false, buffer, 0, printing::headerCellHeight(dpi), 0)
            .picture.translated(printableArea().topLeft());
    }
    int overlapPixels(int mm, QSize piece)
    {
        QPageLayout layout = printer().pageLayout();
        layout.setOrientation(QPageLayout::Portrait);
        return printing::overlapPixels(mm, piece.width(), layout.paintRect(QPageLayout::Millimeter).width() * 0.9);
    }
};

// With an overlap of 10 mm the four pages go into one PDF; the pieces, their overlap cut
// away, join into the source, and each overlap strip repeats its neighbour's edge.
TEST_F(PosterAssemblyTest, OverlappedPagesInOnePdfJoinToTheSource)
{
    w.find<QSpinBox>(QStringLiteral("Recouvrement"))->setValue(10);
    printTo(pdf(QStringLiteral("poster.pdf")), true);
    ASSERT_EQ(pdfPageCount(pdf(QStringLiteral("poster.pdf"))), 4);
    EXPECT_FALSE(QFile::exists(pdf(QStringLiteral("poster-1.pdf"))));

    const QSize source(400, 300);
    const QSize piece = printing::pieceSize(source, {82, 61});
    ASSERT_EQ(piece, QSize(200, 285));
    const int ov = overlapPixels(10, piece);
    ASSERT_GT(ov, 8);
    const QSize buffer = piece + QSize(2 * ov, 2 * ov);
    const QRect picture = pictureOnPage(buffer);
    const QString text = pdfText(pdf(QStringLiteral("poster.pdf")));
    int inOverlap = 0, compared = 0;
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        const int row = (n - 1) / 2 + 1, column = (n - 1) % 2 + 1;
        EXPECT_TRUE(text.contains(QStringLiteral("Carte n° 1 ( Cassini couleurs ) - Page n° %1 - rangée %2, colonne %3")
                                      .arg(n).arg(row).arg(column)));
        const QImage page = renderPdfPage(pdf(QStringLiteral("poster.pdf")), printer().resolution(), n);
        ASSERT_FALSE(page.isNull());
        const QRect grown = printing::overlappedPieceRect(row, column, 2, piece, source,
                                                          printing::Alignment::Bottom, ov);
        const QRect core = grown.adjusted(ov, ov, -ov, -ov);
        auto onPage = [&](QPointF at) {   // a point of the buffer on the rendered page
            return QPoint(picture.left() + int(at.x() * picture.width() / buffer.width()),
                          picture.top() + int(at.y() * picture.height() / buffer.height()));
        };
        // Two points of every block, 3 pixels inside opposite corners, wherever this page
        // holds them: a piece shifted by a few pixels puts one of them in another block.
        for (int by = 0; by < source.height() / kBlock; ++by)
            for (int bx = 0; bx < source.width() / kBlock; ++bx)
                for (const QPointF point : {QPointF(bx * kBlock + 3.5, by * kBlock + 3.5),
                                            QPointF(bx * kBlock + kBlock - 3.5, by * kBlock + kBlock - 3.5)}) {
                    if (!QRectF(grown).adjusted(2, 2, -2, -2).contains(point))
                        continue;
                    const QPoint at = onPage(point - grown.topLeft());
                    ASSERT_TRUE(near(page.pixel(at), blockColour(bx, by)))
                        << "block " << bx << "," << by << " page " << QColor(page.pixel(at)).name().toStdString();
                    ++compared;
                    if (!QRectF(core).contains(point))
                        ++inOverlap;
                }
        // Outer sides have no neighbour: their strip stays white.
        if (column == 1)
            EXPECT_TRUE(near(page.pixel(onPage(QPointF(ov / 2.0, buffer.height() / 2.0))), Qt::white));
        if (row == 2)
            EXPECT_TRUE(near(page.pixel(onPage(QPointF(buffer.width() / 2.0, buffer.height() - ov / 2.0))), Qt::white));
    }
    EXPECT_GE(compared, 2 * 16 * 12);   // every block at least once
    EXPECT_GT(inOverlap, 8);        // and blocks of the overlap strips twice
}

// Cut marks sit just outside the corners of each page's piece; the plan comes first.
TEST_F(PosterAssemblyTest, CutMarksAndAssemblyPlanPage)
{
    printTo(pdf(QStringLiteral("plain.pdf")), true);
    ASSERT_EQ(pdfPageCount(pdf(QStringLiteral("plain.pdf"))), 4);
    const QRect picture = pictureOnPage(QSize(200, 285));   // the printer is now in portrait
    const double dotsPerMm = printer().resolution() / 25.4;
    auto darkNear = [](const QImage &page, QPoint at, int reach) {
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx)
                if (qGray(page.pixel(at + QPoint(dx, dy))) < 100)
                    return true;
        return false;
    };
    const QPoint leftOfTopLeft = picture.topLeft() - QPoint(int(4 * dotsPerMm), 0);
    const QPoint belowBottomRight(picture.right(), picture.bottom() + int(4 * dotsPerMm));
    const QImage plain = renderPdfPage(pdf(QStringLiteral("plain.pdf")), printer().resolution(), 2);
    EXPECT_FALSE(darkNear(plain, leftOfTopLeft, 3));
    EXPECT_FALSE(darkNear(plain, belowBottomRight, 3));
    // All options off: today's headers.
    EXPECT_FALSE(pdfText(pdf(QStringLiteral("plain.pdf"))).contains(QStringLiteral("rangée")));

    w.find<CheckBox>(QStringLiteral("TraitsDeCoupe"))->setChecked(true);
    w.find<CheckBox>(QStringLiteral("PlanAssemblage"))->setChecked(true);
    printTo(pdf(QStringLiteral("marks.pdf")), true);
    ASSERT_EQ(pdfPageCount(pdf(QStringLiteral("marks.pdf"))), 5);
    const QString text = pdfText(pdf(QStringLiteral("marks.pdf")));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Plan d'assemblage - Carte n° 1 ( Cassini couleurs )")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page n° 4 - rangée 2, colonne 2")));
    const QImage marked = renderPdfPage(pdf(QStringLiteral("marks.pdf")), printer().resolution(), 3);
    EXPECT_TRUE(darkNear(marked, leftOfTopLeft, 3));
    EXPECT_TRUE(darkNear(marked, belowBottomRight, 3));
    // Inside the piece, the picture is untouched by the marks.
    EXPECT_FALSE(darkNear(marked, picture.topLeft() + QPoint(int(4 * dotsPerMm), int(4 * dotsPerMm)), 3));

    // The plan: the grid's lines over the picture, the picture's colours inside.
    const QImage plan = renderPdfPage(pdf(QStringLiteral("marks.pdf")), printer().resolution(), 1);
    int dark = 0, coloured = 0;
    for (int y = picture.top(); y < picture.bottom(); y += 4)
        for (int x = picture.left(); x < picture.right(); x += 4) {
            const QColor c = plan.pixel(x, y);
            dark += qGray(c.rgb()) < 40;
            coloured += c.saturation() > 60;
        }
    EXPECT_GT(dark, 200);
    EXPECT_GT(coloured, 2000);

    // Page by page, the plan has a file of its own beside the numbered pages.
    printTo(pdf(QStringLiteral("pages.pdf")), false);
    for (const char *name : {"pages-plan.pdf", "pages-1.pdf", "pages-4.pdf"})
        EXPECT_EQ(pdfPageCount(pdf(QString::fromLatin1(name))), 1) << name;
    EXPECT_FALSE(QFile::exists(pdf(QStringLiteral("pages.pdf"))));

    // Every page of both output paths (one file, one job per page, as a printer gets them)
    // carries the marks.
    struct Output {
        QString file;
        int firstPage;   // where page 1 of the poster is in that file
        bool perPage;
    };
    for (const Output &o : {Output{QStringLiteral("marks.pdf"), 2, false}, Output{QStringLiteral("pages"), 1, true}})
        for (int n = 1; n <= 4; ++n) {
            SCOPED_TRACE(o.file.toStdString() + " page " + std::to_string(n));
            const QImage page = o.perPage
                ? renderPdfPage(pdf(QStringLiteral("pages-%1.pdf").arg(n)), printer().resolution(), 1)
                : renderPdfPage(pdf(o.file), printer().resolution(), o.firstPage + n - 1);
            ASSERT_FALSE(page.isNull());
            EXPECT_TRUE(darkNear(page, leftOfTopLeft, 3));
            EXPECT_TRUE(darkNear(page, belowBottomRight, 3));
        }
}

// One PDF file that cannot be made: one error naming it, nothing printed, the quarter
// suffix kept for the next try.
TEST_F(PosterAssemblyTest, OnePdfThatCannotBeWrittenEndsWithOneError)
{
    w.click(QStringLiteral("spSkinButton43"));   // disabled after "Zone": nothing changes
    const QString unwritable = out.path() + QStringLiteral("/missing/poster.pdf");
    printer().setOutputFormat(QPrinter::PdfFormat);
    printer().setOutputFileName(unwritable);
    w.click(QStringLiteral("spSkinButton39"));
    EXPECT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("error")});
    ASSERT_NE(w.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_EQ(w.desktop.last(QStringLiteral("error"))->text, QStringLiteral("Impossible de créer le fichier ") + unwritable);
    EXPECT_FALSE(QFile::exists(unwritable));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The previews show exactly the pages that would be printed, and print nothing.
TEST_F(PosterAssemblyTest, PreviewsShowEveryPageThatWouldBePrinted)
{
    auto previewPages = [this](const QString &button) {
        w.click(button);
        QPrintPreviewDialog *dialog = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("ApercuAvantImpression") && top->isVisible())
                dialog = qobject_cast<QPrintPreviewDialog *>(top);
        if (!dialog)
            return -1;
        const int pages = dialog->findChild<QPrintPreviewWidget *>()->pageCount();
        dialog->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return pages;
    };
    printer().setOutputFormat(QPrinter::PdfFormat);
    printer().setOutputFileName(pdf(QStringLiteral("never.pdf")));
    EXPECT_EQ(previewPages(QStringLiteral("ApercuPoster")), 4);
    w.find<CheckBox>(QStringLiteral("PlanAssemblage"))->setChecked(true);
    EXPECT_EQ(previewPages(QStringLiteral("ApercuPoster")), 5);
    EXPECT_EQ(printer().pageLayout().orientation(), QPageLayout::Portrait);

    w.window->printPanel()->printImage(QImage(QSize(300, 200), QImage::Format_RGB32), QStringLiteral("Vue"));
    EXPECT_EQ(previewPages(QStringLiteral("ApercuImpression")), 1);
    EXPECT_FALSE(QFile::exists(pdf(QStringLiteral("never.pdf"))));
    EXPECT_TRUE(w.desktop.kinds().isEmpty());
}

} // namespace
