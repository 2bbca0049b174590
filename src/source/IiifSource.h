#pragma once
// An IIIF image as a tile source: the tile plan of the image's description, one request
// per stored tile.

#include "download/IiifPlan.h"
#include "source/TileSource.h"

#include <QByteArray>
#include <memory>

namespace source {

class IiifSource : public TileSource {
public:
    static std::unique_ptr<IiifSource> make(const QByteArray &info, const QString &imageBase, QString *why = nullptr);

    Kind kind() const override { return Kind::Iiif; }
    QSize pictureSize() const override { return m_plan.sheetSize(); }
    QSize grid() const override { return QSize(m_plan.columns, m_plan.rows); }
    QSize tileSize(TileId id) const override { return contains(id) ? m_plan.tileSize(id.column, id.row) : QSize(); }
    QList<TilePiece> pieces(TileId id) const override;

private:
    explicit IiifSource(iiif::TilePlan plan) : m_plan(std::move(plan)) {}
    iiif::TilePlan m_plan;
};

} // namespace source
