#pragma once
// An IIIF image as a tile source: the tile plan of the image's description. A server that
// cuts regions or serves tiles gives one answer per stored tile; a server of whole pictures
// only gives one answer, shared by every stored tile, each cut from it; so does a plain
// picture without image service, whose description is the picture itself. A canvas that
// selects part of its image, or turns it, gets tiles of that part, turned.

#include "source/iiif/IiifPlan.h"
#include "source/TileSource.h"

#include <QByteArray>
#include <memory>

namespace source {

class IiifSource : public TileSource {
public:
    // `infoUrl` is where the description was found at last (after redirects): the tiles are
    // asked on that server.
    static std::unique_ptr<IiifSource> make(const QByteArray &info, const QString &imageBase,
                                            const QString &infoUrl = {}, QString *why = nullptr);

    Kind kind() const override { return Kind::Iiif; }
    QSize pictureSize() const override { return m_plan.sheetSize(); }
    QSize grid() const override { return QSize(m_plan.columns, m_plan.rows); }
    QSize tileSize(TileId id) const override;
    QList<TilePiece> pieces(TileId id) const override;
    bool cutsWholePicture() const override { return !m_plan.whole.isEmpty(); }
    int rotation() const override;
    bool descriptionIsAnswer() const override { return m_descriptionIsAnswer; }

    explicit IiifSource(iiif::TilePlan plan) : m_plan(std::move(plan)) {}
    const iiif::TilePlan &tilePlan() const { return m_plan; }

private:
    QList<TilePiece> selectedPieces(TileId id) const;

    iiif::TilePlan m_plan;
    bool m_descriptionIsAnswer = false;
};

} // namespace source
