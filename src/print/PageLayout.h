#pragma once
// Where one printed page puts its header, its picture and its footer. Everything is in
// device pixels of the printable area: the header centred at the top, the picture across
// 90 % of the width (centred vertically in landscape, 5 % from the top in portrait) and,
// in landscape only, the footer at the bottom left.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace printing {

// a * b / c taken to the nearest integer, halves away from zero (c != 0).
int mulDiv(int a, int b, int c);

// Character cell heights of the header and footer fonts at a vertical resolution.
inline int headerCellHeight(int dpi) { return mulDiv(dpi, 12, 72); }
inline int footerCellHeight(int dpi) { return mulDiv(dpi, 8, 72); }
// "Arial" sized so that its character cell (ascent + descent) is `cellHeight` pixels.
QFont arialWithCellHeight(int cellHeight);

// "Orvantis - " + the product's site address.
QString footerText();

struct PageLayout {
    int lineHeight = 0;       // cell height of the header font
    QPoint header;            // top-left of the header's text cell
    int margin = 0;
    int printWidth = 0;
    int printHeight = 0;
    int pictureTop = 0;
    QRect picture;            // where the bitmap is stretched to
    bool footer = false;
    QPoint footerAt;          // top-left of the footer's text cell
};

// page: printable area; headerWidth: width of the header text in the header font;
// lineHeight / footerLineHeight: cell heights of the two fonts.
PageLayout layoutPage(QSize page, bool landscape, QSize bitmap, int headerWidth, int lineHeight,
                      int footerLineHeight);

// Draws one page: header, picture and (landscape) footer, on a painter whose device is the
// printable area at `dpi` dots per inch.
PageLayout paintPage(QPainter &painter, QSize page, int dpi, bool landscape, const QImage &bitmap,
                     const QString &header);

} // namespace printing
