#include "source/iiif/IiifSheet.h"

#include <QRegularExpression>

namespace iiif {

QString SheetAddress::text() const
{
    QStringList parts;
    if (picture)
        parts << QStringLiteral("image");
    const QRect r = selector.region;
    if (!r.isNull())
        parts << QStringLiteral("xywh=%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    if (selector.rotation != 0)
        parts << QStringLiteral("rotation=%1").arg(selector.rotation);
    return parts.isEmpty() ? url : url + u'#' + parts.join(u'&');
}

SheetAddress SheetAddress::parse(const QString &text)
{
    SheetAddress address;
    const qsizetype hash = text.indexOf(u'#');
    address.url = hash < 0 ? text : text.left(hash);
    if (hash < 0)
        return address;
    static const QRegularExpression xywh(QStringLiteral("^xywh=(?:pixel:)?(\\d{1,9}),(\\d{1,9}),(\\d{1,9}),(\\d{1,9})$"));
    static const QRegularExpression rotation(QStringLiteral("^rotation=(\\d{1,3})$"));
    for (const QString &part : text.mid(hash + 1).split(u'&', Qt::SkipEmptyParts)) {
        if (part == QStringLiteral("image")) {
            address.picture = true;
        } else if (const QRegularExpressionMatch m = xywh.match(part); m.hasMatch()) {
            address.selector.region = QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                            m.captured(4).toInt());
        } else if (const QRegularExpressionMatch m = rotation.match(part); m.hasMatch()) {
            address.selector.rotation = m.captured(1).toInt();
        }
    }
    return address;
}

} // namespace iiif
