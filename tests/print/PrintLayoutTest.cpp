// Page layout, poster arithmetic and zone picker rules.
#include "session/SelectionState.h"
#include "print/PageLayout.h"
#include "print/PosterLayout.h"
#include "print/TransferFile.h"
#include "print/ZoneRules.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>
#include <gtest/gtest.h>

using namespace printing;

namespace {

struct LayoutCase {
    const char *name;
    QSize page;
    bool landscape;
    int margin, width, height, top;
};

TEST(PageLayoutTest, PictureAcrossNinetyPercentCentredInLandscapeAtFivePercentInPortrait)
{
    const LayoutCase cases[] = {
        {"landscape 6000 x 4000", {6000, 4000}, true, 300, 5400, 2700, 650},
        {"portrait 4000 x 6000", {4000, 6000}, false, 200, 3600, 1800, 300},
    };
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.name);
        const PageLayout l = layoutPage(c.page, c.landscape, {1000, 500}, 1000, 100, 67);
        EXPECT_EQ(l.margin, c.margin);
        EXPECT_EQ(l.printWidth, c.width);
        EXPECT_EQ(l.printHeight, c.height);
        EXPECT_EQ(l.pictureTop, c.top);
        EXPECT_EQ(l.picture, QRect(c.margin, c.top, c.width, c.height));
        EXPECT_EQ(l.header, QPoint((c.page.width() - 1000) / 2, 100));
        EXPECT_EQ(l.footer, c.landscape);
        if (c.landscape)
            EXPECT_EQ(l.footerAt, QPoint(c.margin, c.page.height() - 67));
    }
}

TEST(PageLayoutTest, FontCellHeightsFollowTheResolution)
{
    const struct {
        int dpi, header, footer;
    } cases[] = {{600, 100, 67}, {300, 50, 33}, {96, 16, 11}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dpi);
        EXPECT_EQ(headerCellHeight(c.dpi), c.header);
        EXPECT_EQ(footerCellHeight(c.dpi), c.footer);
        // The font drawn fills its cell without overflowing it.
        const int cell = QFontMetrics(arialWithCellHeight(c.header)).height();
        EXPECT_LE(cell, c.header);
        EXPECT_GE(cell, c.header * 9 / 10);
    }
    EXPECT_EQ(mulDiv(7, 1, 2), 4);   // halves away from zero
    EXPECT_EQ(mulDiv(-7, 1, 2), -4);
}

// Dark pixels in a band of rows of a painted page.
int darkPixels(const QImage &page, int top, int bottom, int left = 0, int right = -1)
{
    if (right < 0)
        right = page.width();
    int n = 0;
    for (int y = std::max(0, top); y < std::min(bottom, page.height()); ++y)
        for (int x = std::max(0, left); x < std::min(right, page.width()); ++x)
            n += qGray(page.pixel(x, y)) < 100;
    return n;
}

QImage paintedPage(QSize size, bool landscape, const QString &header, const QImage &bitmap)
{
    QImage page(size, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    paintPage(p, size, 96, landscape, bitmap, header);
    return page;
}

TEST(PageLayoutTest, HeaderTextLandsInItsLineAndAnEmptyHeaderMovesNothing)
{
    QImage bitmap(100, 50, QImage::Format_RGB888);
    bitmap.fill(QColor(0, 0, 200));
    const QSize page(800, 600);
    const int h = headerCellHeight(96);

    const QImage withHeader = paintedPage(page, false, QStringLiteral("Carte n° 12 ( Cassini couleurs )"), bitmap);
    const QImage empty = paintedPage(page, false, QString(), bitmap);
    EXPECT_GT(darkPixels(withHeader, h, 30), 50);   // the picture starts at 30
    EXPECT_EQ(darkPixels(withHeader, 0, h), 0);
    EXPECT_EQ(darkPixels(empty, 0, mulDiv(600, 5, 100)), 0);
    // The picture is in the same place with or without header.
    const QRect picture(40, 30, 720, 360);
    EXPECT_EQ(withHeader.copy(picture.adjusted(2, 2, -2, -2)), empty.copy(picture.adjusted(2, 2, -2, -2)));
    EXPECT_EQ(QColor(empty.pixel(picture.center())), QColor(0, 0, 200));
    EXPECT_EQ(QColor(empty.pixel(picture.left() + 1, picture.bottom() + 3)), QColor(Qt::white));
}

TEST(PageLayoutTest, HeaderWiderThanThePageStartsLeftOfItAndIsCutOnBothSides)
{
    const QString header = QStringLiteral("Carte n° 12 ( Cassini couleurs ) - Page n° 3 du quart supérieur droit");
    const int width = QFontMetrics(arialWithCellHeight(headerCellHeight(96))).horizontalAdvance(header);
    const QSize page(width / 2, 400);
    const PageLayout l = layoutPage(page, true, {10, 10}, width, 16, 11);
    EXPECT_LT(l.header.x(), 0);
    EXPECT_EQ(l.header.x(), (page.width() - width) / 2);

    QImage bitmap(10, 10, QImage::Format_RGB888);
    bitmap.fill(Qt::white);
    const QImage painted = paintedPage(page, true, header, bitmap);
    const int h = headerCellHeight(96);
    EXPECT_GT(darkPixels(painted, h, 2 * h, 0, 12), 0);
    EXPECT_GT(darkPixels(painted, h, 2 * h, page.width() - 12), 0);
}

TEST(PageLayoutTest, FooterNamesTheProductAndItsSiteAtTheBottomInLandscapeOnly)
{
    EXPECT_EQ(footerText(), QStringLiteral("Orvantis - http://www.orvantis.fr"));
    QImage bitmap(100, 20, QImage::Format_RGB888);
    bitmap.fill(Qt::white);
    const QSize page(800, 600);
    const int f = footerCellHeight(96);
    EXPECT_GT(darkPixels(paintedPage(page, true, QString(), bitmap), 600 - f, 600, 40, 400), 20);
    EXPECT_EQ(darkPixels(paintedPage(page, false, QString(), bitmap), 600 - f, 600), 0);
}

struct PosterCase {
    const char *name;
    QSize composition;
    int value;
    int maximum;
    QSize box;
    int rows, columns;
    const char *text;
};

TEST(PosterLayoutTest, PageBoxBandsAndCountText)
{
    const PosterCase cases[] = {
        {"whole sheet of square tiles", {2600, 2600}, 6, 6, {348, 348}, 6, 9, "Impression 54 pages. (6x9)"},
        {"zone of 14 x 7 square tiles", {1400, 700}, 9, 9, {369, 184}, 4, 9, "Impression 36 pages. (4x9)"},
        {"the same zone at value 1", {1400, 700}, 1, 9, {41, 20}, 1, 1, "Impression sur une page."},
        {"a tall zone", {700, 1400}, 2, 6, {58, 116}, 2, 2, "Impression 4 pages. (2x2)"},
    };
    for (const PosterCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sliderMaximum(c.composition), c.maximum);
        const QSize box = pageBox(c.value, c.composition);
        EXPECT_EQ(box, c.box);
        EXPECT_EQ(posterRows(box.height()), c.rows);
        EXPECT_EQ(posterColumns(box.width()), c.columns);
        EXPECT_EQ(pageCountText(c.rows, c.columns), QString::fromUtf8(c.text));
    }
    const struct {
        int length, columns, rows;
    } bands[] = {{0, 1, 1}, {41, 1, 1}, {42, 2, 1}, {58, 2, 1}, {59, 2, 2}, {82, 2, 2}, {83, 3, 2},
                 {328, 8, 6}, {329, 9, 6}, {348, 9, 6}, {369, 9, 7}};
    for (const auto &b : bands) {
        SCOPED_TRACE(b.length);
        EXPECT_EQ(posterColumns(b.length), b.columns);
        EXPECT_EQ(posterRows(b.length), b.rows);
    }
}

TEST(PosterLayoutTest, PieceSizeRoundsHalvesToEven)
{
    EXPECT_EQ(pieceSize({205, 58}, {82, 58}), QSize(102, 58));   // 102.5
    EXPECT_EQ(pieceSize({615, 58}, {82, 58}), QSize(308, 58));   // 307.5
    EXPECT_EQ(pieceSize({6656, 4992}, {369, 276}), QSize(740, 1049));
    EXPECT_EQ(pieceSize({100, 100}, {0, 0}), QSize());
}

TEST(PosterLayoutTest, PiecesOfTopAndBottomAlignment)
{
    const QSize piece(80, 100);
    const QSize source(150, 150);
    const struct {
        const char *name;
        Alignment alignment;
        int row, column;
        QRect rect;
    } cases[] = {
        // Bottom: the blank strip of 50 rows falls at the top of the first row.
        {"bottom row 1", Alignment::Bottom, 1, 1, QRect(0, -50, 80, 100)},
        {"bottom row 2", Alignment::Bottom, 2, 1, QRect(0, 50, 80, 100)},
        {"bottom row 2 column 2", Alignment::Bottom, 2, 2, QRect(80, 50, 80, 100)},
        // Top: the blank strip falls at the bottom of the last row.
        {"top row 1", Alignment::Top, 1, 1, QRect(0, 0, 80, 100)},
        {"top row 2", Alignment::Top, 2, 2, QRect(80, 100, 80, 100)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pieceRect(c.row, c.column, 2, piece, source, c.alignment), c.rect);
    }
    EXPECT_EQ(pageNumber(2, 3, 9), 12);
}

TEST(PosterLayoutTest, OverlapInSourcePixelsKeepsEveryPageAtOneScale)
{
    const struct {
        int mm, pieceWidth;
        double printedMm;
        int pixels;
    } cases[] = {
        {0, 740, 189.0, 0},
        {10, 740, 189.0, 44},     // 10 * 740 / 169 = 43.8
        {20, 740, 189.0, 99},     // 20 * 740 / 149 = 99.3
        {1, 200, 189.0, 1},       // 1.07
        {5, 0, 189.0, 0},         // no piece, no overlap
        {20, 740, 30.0, 0},       // a page too narrow for the overlap
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mm << " mm, piece " << c.pieceWidth);
        const int ov = overlapPixels(c.mm, c.pieceWidth, c.printedMm);
        EXPECT_EQ(ov, c.pixels);
        if (ov > 0)   // on paper the overlap is the asked width, to a pixel
            EXPECT_NEAR(ov * c.printedMm / (c.pieceWidth + 2 * ov), c.mm, c.printedMm / (c.pieceWidth + 2 * ov));
    }
}

// The pieces without their overlap tile the grid exactly once; each page's buffer is its
// piece grown by the overlap, so neighbours share 2 x overlap of the source.
TEST(PosterLayoutTest, OverlappedPiecesJoinToTheSourceWhenTheOverlapIsCutAway)
{
    const struct {
        const char *name;
        QSize source, piece;
        int rows, columns, overlap;
        Alignment alignment;
    } cases[] = {
        {"2 x 2 bottom", {400, 300}, {200, 285}, 2, 2, 12, Alignment::Bottom},
        {"3 x 4 top", {610, 400}, {160, 140}, 3, 4, 7, Alignment::Top},
        {"1 x 3 no overlap", {300, 90}, {100, 100}, 1, 3, 0, Alignment::Bottom},
        {"6 x 9 bottom", {6656, 4992}, {740, 1049}, 5, 9, 99, Alignment::Bottom},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int blank = c.alignment == Alignment::Bottom ? c.rows * c.piece.height() - c.source.height() : 0;
        std::vector<QRect> cores;
        for (int row = 1; row <= c.rows; ++row)
            for (int column = 1; column <= c.columns; ++column) {
                const QRect grown = overlappedPieceRect(row, column, c.rows, c.piece, c.source, c.alignment, c.overlap);
                const QRect core = grown.adjusted(c.overlap, c.overlap, -c.overlap, -c.overlap);
                EXPECT_EQ(core, pieceRect(row, column, c.rows, c.piece, c.source, c.alignment));
                EXPECT_EQ(grown.size(), c.piece + QSize(2 * c.overlap, 2 * c.overlap));
                if (column > 1) {   // shared with the left neighbour
                    const QRect left = overlappedPieceRect(row, column - 1, c.rows, c.piece, c.source,
                                                           c.alignment, c.overlap);
                    EXPECT_EQ((grown & left).width(), 2 * c.overlap);
                }
                if (row > 1) {      // shared with the neighbour above
                    const QRect above = overlappedPieceRect(row - 1, column, c.rows, c.piece, c.source,
                                                            c.alignment, c.overlap);
                    EXPECT_EQ((grown & above).height(), 2 * c.overlap);
                }
                cores.push_back(core);
            }
        // Every point of the grid lies in exactly one piece.
        for (int y = -blank; y < c.rows * c.piece.height() - blank; y += 5)
            for (int x = 0; x < c.columns * c.piece.width(); x += 5) {
                const auto n = std::count_if(cores.begin(), cores.end(),
                                             [&](const QRect &r) { return r.contains(x, y); });
                ASSERT_EQ(n, 1) << x << "," << y;
            }
    }
}

TEST(PosterLayoutTest, HeadersOfAnAssembledPosterGiveThePlaceInTheGrid)
{
    SelectionState s;
    s.editionFolder = editions::kColour;
    s.sheetNumber = QStringLiteral("12");
    EXPECT_EQ(posterHeader(s, 7, QString(), 2, 1),
              QStringLiteral("Carte n° 12 ( Cassini couleurs ) - Page n° 7 - rangée 2, colonne 1"));
    EXPECT_EQ(posterHeader(s, 3, quarterSuffix(2), 1, 3),
              QStringLiteral("Carte n° 12 ( Cassini couleurs ) - Page n° 3 du quart supérieur droit - rangée 1, colonne 3"));
    EXPECT_EQ(assemblyPlanHeader(s, QString()), QStringLiteral("Plan d'assemblage - Carte n° 12 ( Cassini couleurs )"));
    EXPECT_FALSE(PosterOptions{}.any());
    EXPECT_TRUE((PosterOptions{0, true, false}.any()));
}

TEST(PosterLayoutTest, PageHeadersWithAndWithoutQuarterSuffix)
{
    SelectionState s;
    s.editionFolder = editions::kColour;
    s.sheetNumber = QStringLiteral("12");
    EXPECT_EQ(posterHeader(s, 3, quarterSuffix(2)),
              QStringLiteral("Carte n° 12 ( Cassini couleurs ) - Page n° 3 du quart supérieur droit"));
    EXPECT_EQ(posterHeader(s, 3, QString()), QStringLiteral("Carte n° 12 ( Cassini couleurs ) - Page n° 3"));
    s.editionFolder = editions::kArchive;
    s.sheetNumber = QStringLiteral("40");
    s.folderSuffix = QStringLiteral("\\F002");
    EXPECT_EQ(posterHeader(s, 1, quarterSuffix(4)),
              QStringLiteral("Carte n° 40\\F002 ( Archives Bnf ) - Page n° 1 du quart inférieur droit"));
    EXPECT_EQ(quarterSuffix(1), QStringLiteral(" du quart supérieur gauche"));
    EXPECT_EQ(quarterSuffix(3), QStringLiteral(" du quart inférieur gauche"));
}

TEST(ZoneRulesTest, TheMovedPickerWinsAndTheOtherGivesWay)
{
    const struct {
        const char *name;
        bool first;     // which picker the user moved
        Span before;
        int chosen;
        Span after;
    } cases[] = {
        {"first Z while last is N", true, {0, 13}, 25, {12, 13}},
        {"last A while first is A", false, {0, 13}, 0, {0, 1}},
        {"last Z while first is A", false, {0, 13}, 25, {12, 25}},
        {"first A while last is Z", true, {12, 25}, 0, {0, 13}},
        {"first equal to last", true, {2, 7}, 7, {6, 7}},
        {"a move within the rules", true, {0, 13}, 4, {4, 13}},
        {"last back within 13", false, {4, 13}, 9, {4, 9}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.first ? firstChanged(c.before, c.chosen) : lastChanged(c.before, c.chosen), c.after);
    }
}

// A sheet whose tiles fill fewer than 26 letters keeps its zone within them (columns and
// rows counted from 0).
TEST(ZoneRulesTest, ZoneStaysWithinTheLettersOfTheSheet)
{
    const struct {
        Span before;
        int count;
        Span after;
    } cases[] = {
        {{0, 13}, 26, {0, 13}},     // a whole sheet: as it was
        {{0, 13}, 12, {0, 11}},
        {{12, 25}, 12, {10, 11}},
        {{2, 7}, 12, {2, 7}},
        {{4, 8}, 2, {0, 1}},
        {{0, 13}, 1, {0, 0}},       // a single column: a zone of one
    };
    for (const auto &c : cases)
        EXPECT_EQ(withinCount(c.before, c.count), c.after) << c.before.first << "-" << c.before.last << " in " << c.count;
}

// The transfer files live in the scratch folder as it is named: a folder whose name holds
// a backslash stays one folder, and a picture goes through the file unchanged as 24 bits.
TEST(TransferFileTest, FilesGoIntoTheScratchFolderAsNamedAndRoundTrip)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const struct {
        const char *folder;
    } folders[] = {{"Mes cartes"}, {"back\\slash/Mes cartes"}};
    for (const auto &f : folders) {
        SCOPED_TRACE(f.folder);
        const QString scratch = root.filePath(QString::fromLatin1(f.folder));
        ASSERT_TRUE(QDir().mkpath(scratch));
        const struct {
            int page;
            const char *name;
        } files[] = {{0, "imprime.bmp"}, {1, "imprime1.bmp"}, {12, "imprime12.bmp"}};
        for (const auto &file : files) {
            const QString path = printing::transferFile(scratch, file.page);
            EXPECT_EQ(QFileInfo(path).fileName(), QString::fromLatin1(file.name));
            EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(scratch).absoluteFilePath());

            QImage picture(7, 5, QImage::Format_ARGB32);
            picture.fill(QColor(200, 40, 90));
            picture.setPixel(3, 2, qRgb(10, 220, 30));
            ASSERT_TRUE(printing::writeTransfer(path, picture));
            ASSERT_TRUE(QFileInfo::exists(path));
            const QImage back = printing::readTransfer(path);
            EXPECT_EQ(back.format(), QImage::Format_RGB888);
            EXPECT_EQ(back.size(), picture.size());
            EXPECT_EQ(back.pixel(3, 2), qRgb(10, 220, 30));
            EXPECT_EQ(back.pixel(0, 0), qRgb(200, 40, 90));
            printing::removeTransfer(path);
            EXPECT_FALSE(QFileInfo::exists(path));
            printing::removeTransfer(path);   // a missing file is no error
        }
    }
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("back/slash"))));
}

TEST(TransferFileTest, AFileThatCannotBeWrittenOrReadIsReportedByItsPath)
{
    QTemporaryDir root;
    const QString missing = printing::transferFile(root.filePath(QStringLiteral("absent")));
    EXPECT_FALSE(printing::writeTransfer(missing, QImage(4, 4, QImage::Format_RGB32)));
    EXPECT_FALSE(printing::writeTransfer(printing::transferFile(root.path()), QImage()));
    EXPECT_TRUE(printing::readTransfer(missing).isNull());
    EXPECT_EQ(printing::cannotWrite(missing),
              QStringLiteral("Impossible de créer le fichier ") + QDir::toNativeSeparators(missing));
    EXPECT_EQ(printing::cannotRead(missing),
              QStringLiteral("Impossible de lire le fichier ") + QDir::toNativeSeparators(missing));
}

} // namespace
