#pragma once
// Where the tiles of a sheet come from. A tile source describes the picture as it will be
// stored (its size and the grid of at most 26 x 26 tiles it is cut into) and says, for each
// stored tile, which server requests to make and how their answers become the tile. Every
// kind of server is one small class behind this interface; the runner (SourceRunner.h)
// walks any of them the same way.

#include <QHashFunctions>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace source {

// The kinds of server a map may come from, as the added-maps file names them.
// Classic is the national library's own tile server, never named in that file.
enum class Kind { Iiif, DeepZoom, Zoomify, Classic };

QString kindName(Kind kind);                           // "iiif", "dzi", "zoomify"
std::optional<Kind> kindFromName(const QString &name);
QString kindLabel(Kind kind);                          // "IIIF", "Deep Zoom", "Zoomify"

// A stored tile's place in the sheet's grid: column and row from 0.
struct TileId {
    int column = 0;
    int row = 0;
    bool operator==(const TileId &) const = default;
};
inline size_t qHash(TileId id, size_t seed = 0) { return qHashMulti(seed, id.column, id.row); }

// One server request of a stored tile: the part `crop` of its answer (in the answer's own
// pixels) is painted at `place` in the stored tile.
struct TilePiece {
    QString url;
    QRect crop;
    QPoint place;
    // The largest answer the server may give for this request: an answer that does not
    // cover `crop`, or is larger than this, is not the picture asked for.
    QSize largest;
    // How many pixels of each side the answer may lack by the server's rounding: a short
    // answer is completed by repeating its last column and row.
    QSize slack;
    bool operator==(const TilePiece &) const = default;
};

class TileSource {
public:
    virtual ~TileSource() = default;

    virtual Kind kind() const = 0;
    // The whole picture as stored, in pixels.
    virtual QSize pictureSize() const = 0;
    // Columns x rows of stored tiles, each 1 to 26.
    virtual QSize grid() const = 0;
    // The stored tile's size in pixels (those of the last column and row may be smaller).
    virtual QSize tileSize(TileId id) const = 0;
    // The requests whose answers make the stored tile, in the order they are to be asked.
    virtual QList<TilePiece> pieces(TileId id) const = 0;
    // Whether each tile is the answer of its one request, stored as it came (checked, never
    // decoded and encoded again).
    virtual bool storesAnswersAsIs() const { return false; }
    // Whether every tile of the grid is on the server: a sheet's blank edges may be missing.
    // Where they may, only answers cut at the size limit count as the server's refusals,
    // and a run without any tile installed ends as usual.
    virtual bool everyTileExists() const { return true; }
    // Whether the tiles are cut by the program from one whole picture asked once.
    virtual bool cutsWholePicture() const { return false; }
    // The clockwise turn (0, 90, 180, 270) given to each tile once its pieces are painted,
    // in place, on a tile of the turned size: pieces are placed before the turn.
    virtual int rotation() const { return 0; }
    // Whether the description read at the source's address is the answer of the tiles'
    // one request (a plain picture): it is then not asked again.
    virtual bool descriptionIsAnswer() const { return false; }

    bool contains(TileId id) const
    {
        return id.column >= 0 && id.row >= 0 && id.column < grid().width() && id.row < grid().height();
    }
};

} // namespace source
