#include "print/PageLayout.h"
#include "session/Site.h"

#include <QFontMetrics>
#include <QPainter>

namespace printing {

int mulDiv(int a, int b, int c)
{
    const qint64 product = qint64(a) * b;
    const qint64 half = (c > 0 ? c : -c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const qint64 magnitude = ((product < 0 ? -product : product) + half) / (c > 0 ? c : -c);
    return int(negative ? -magnitude : magnitude);
}

QFont arialWithCellHeight(int cellHeight)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    if (cellHeight <= 1) {
        font.setPixelSize(1);
        return font;
    }
    // The cell is taller than the em; find the largest pixel size whose cell still fits.
    int low = 1, high = cellHeight;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        font.setPixelSize(mid);
        if (QFontMetrics(font).height() <= cellHeight)
            low = mid;
        else
            high = mid - 1;
    }
    font.setPixelSize(low);
    return font;
}

QString footerText()
{
    return QStringLiteral("Orvantis - ") + site::kRoot;
}

PageLayout layoutPage(QSize page, bool landscape, QSize bitmap, int headerWidth, int lineHeight,
                      int footerLineHeight)
{
    PageLayout l;
    l.lineHeight = lineHeight;
    l.header = QPoint((page.width() - headerWidth) / 2, lineHeight);
    l.margin = mulDiv(page.width(), 5, 100);
    l.printWidth = page.width() - 2 * l.margin;
    l.printHeight = bitmap.width() > 0
        ? int(qint64(bitmap.height()) * l.printWidth / bitmap.width())
        : 0;
    l.pictureTop = landscape ? (page.height() - l.printHeight) / 2 : mulDiv(page.height(), 5, 100);
    l.picture = QRect(l.margin, l.pictureTop, l.printWidth, l.printHeight);
    l.footer = landscape;
    l.footerAt = QPoint(l.margin, page.height() - footerLineHeight);
    return l;
}

PageLayout paintPage(QPainter &painter, QSize page, int dpi, bool landscape, const QImage &bitmap,
                     const QString &header)
{
    const QFont headerFont = arialWithCellHeight(headerCellHeight(dpi));
    const QFont footerFont = arialWithCellHeight(footerCellHeight(dpi));
    const QFontMetrics hm(headerFont);
    const QFontMetrics fm(footerFont);
    const PageLayout l = layoutPage(page, landscape, bitmap.size(),
                                    hm.horizontalAdvance(header), headerCellHeight(dpi),
                                    footerCellHeight(dpi));

    painter.setPen(Qt::black);
    painter.setFont(headerFont);
    if (!header.isEmpty())
        painter.drawText(l.header + QPoint(0, hm.ascent()), header);

    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(l.picture, bitmap);

    if (l.footer) {
        painter.setFont(footerFont);
        const QString text = footerText();
        painter.fillRect(QRect(l.footerAt, QSize(fm.horizontalAdvance(text), footerCellHeight(dpi))),
                         Qt::white);
        painter.drawText(l.footerAt + QPoint(0, fm.ascent()), text);
    }
    return l;
}

} // namespace printing
