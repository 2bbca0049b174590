#pragma once
// An IIIF image as a tile source. A server that cuts regions or serves tiles: the tile plan
// of the image's description, one request per stored tile. A server of whole pictures only:
// one request for the whole picture, shared by every stored tile, each cut from it.

#include "download/IiifPlan.h"
#include "source/TileSource.h"

#include <QByteArray>
#include <memory>
#include <optional>

namespace source {

class IiifSource : public TileSource {
public:
    static std::unique_ptr<IiifSource> make(const QByteArray &info, const QString &imageBase, QString *why = nullptr);

    Kind kind() const override { return Kind::Iiif; }
    QSize pictureSize() const override;
    QSize grid() const override;
    QSize tileSize(TileId id) const override;
    QList<TilePiece> pieces(TileId id) const override;

    // How the picture is cut into requests; nothing for a whole picture.
    std::optional<iiif::TilePlan> tilePlan() const { return m_plan; }
    std::optional<iiif::WholePicturePlan> wholePicturePlan() const { return m_whole; }

private:
    IiifSource(std::optional<iiif::TilePlan> plan, std::optional<iiif::WholePicturePlan> whole)
        : m_plan(std::move(plan)), m_whole(std::move(whole))
    {
    }
    std::optional<iiif::TilePlan> m_plan;
    std::optional<iiif::WholePicturePlan> m_whole;   // exactly one of the two is set
};

} // namespace source
