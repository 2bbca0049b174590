#pragma once
// How the answers to a stored tile's requests become the stored tile: each answer is
// decoded within the decoder's bounds (JPEG, or PNG for pyramids that serve it), checked to
// be the picture asked for (it covers its part and is no larger than its request allows),
// and its part painted into place; the whole is encoded as a JPEG picture. A tile that is
// exactly one whole JPEG answer keeps the server's bytes, with no second compression; a
// tile that is one part of a JPEG answer whose left and top edges lie on the answer's
// blocks (a whole picture cut on its 8 or 16 pixel grid) is cut from it without decoding,
// so it keeps the server's own compressed blocks.

#include "source/TileSource.h"

#include <QByteArray>

namespace source {

constexpr int kStoredQuality = 92;

// How a stored tile was made of its answers.
enum class TileMaking {
    AsIs,        // the one answer's bytes
    Lossless,    // one part of the one answer, its compressed blocks copied
    Reencoded,   // decoded, painted and encoded again
};

// False, and `why` set, when an answer is no picture or not the one asked for. With a
// `rotation` (clockwise, 90, 180 or 270) the pieces are placed on the tile before it is
// turned to `tileSize`.
bool assembleTile(QSize tileSize, const QList<TilePiece> &pieces, const QList<QByteArray> &answers, QByteArray *out,
                  QString *why, TileMaking *making = nullptr, int rotation = 0);

} // namespace source
