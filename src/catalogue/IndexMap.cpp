#include "catalogue/IndexMap.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

namespace {

// Edges of the sheet grid: column 1 begins one column width west of the first longitude
// limit, row 1 one band north of the last latitude limit.
constexpr double kColumnWidth = 1.0549386;
constexpr double kBandHeight = 0.4377193;
constexpr double kWestEdge = -4.483333 - kColumnWidth;
constexpr double kNorthEdge = 50.8 + kBandHeight;

QPainterPath outlinePath(QPoint origin)
{
    QFile file(QStringLiteral(":/data/france-outline.geojson"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject geometry = root.value(QStringLiteral("geometry")).toObject();
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const QJsonValue &polygon : geometry.value(QStringLiteral("coordinates")).toArray()) {
        for (const QJsonValue &ring : polygon.toArray()) {
            QPolygonF points;
            for (const QJsonValue &point : ring.toArray()) {
                const QJsonArray lonLat = point.toArray();
                points << IndexMap::project(lonLat.at(0).toDouble(), lonLat.at(1).toDouble()) - origin;
            }
            path.addPolygon(points);
            path.closeSubpath();
        }
    }
    return path;
}

} // namespace

QPointF IndexMap::project(double longitude, double latitude)
{
    return {20 + 30 * (longitude - kWestEdge) / kColumnWidth,
            9 + 20 * (kNorthEdge - latitude) / kBandHeight};
}

IndexMap::IndexMap(QPoint origin, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setGeometry(QRect(origin, QSize(430, 430)));
    m_origin = origin;
}

// Drawn when painted, so that the outline is sharp at any pixel density of the screen; the
// outline is read when the map is first seen, not while the window starts.
void IndexMap::paintEvent(QPaintEvent *)
{
    if (m_outline.isEmpty())
        m_outline = outlinePath(m_origin);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(222, 235, 247));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 110, 90), 1.2));
    painter.setBrush(QColor(246, 238, 214));
    painter.drawPath(m_outline);
}
