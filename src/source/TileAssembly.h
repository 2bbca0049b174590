#pragma once
// How the answers to a stored tile's requests become the stored tile: each answer is
// decoded within the decoder's bounds (JPEG, or PNG for pyramids that serve it), checked to
// be the picture asked for (it covers its part and is no larger than its request allows),
// and its part painted into place; the whole is encoded as a JPEG picture. A tile that is
// exactly one whole JPEG answer keeps the server's bytes, with no second compression.

#include "source/TileSource.h"

#include <QByteArray>

namespace source {

constexpr int kStoredQuality = 92;

// False, and `why` set, when an answer is no picture or not the one asked for.
bool assembleTile(QSize tileSize, const QList<TilePiece> &pieces, const QList<QByteArray> &answers, QByteArray *out,
                  QString *why);

} // namespace source
