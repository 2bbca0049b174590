#include "source/TileAssembly.h"
#include "imaging/Jpeg.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QTransform>

#include <algorithm>

namespace source {
namespace {

bool isJpeg(const QByteArray &bytes) { return bytes.startsWith("\xFF\xD8"); }
bool isPng(const QByteArray &bytes) { return bytes.startsWith("\x89PNG\r\n\x1A\n"); }

bool decodeAnswer(const QByteArray &bytes, QImage &image, QString *why)
{
    if (isJpeg(bytes)) {
        const jpeg::Status status = jpeg::decode(bytes, image);
        if (status.ok())
            return true;
        *why = status.message();
        return false;
    }
    if (isPng(bytes)) {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (size.isEmpty() || size.width() > jpeg::kMaxSide || size.height() > jpeg::kMaxSide) {
            *why = QStringLiteral("image PNG hors limites");
            return false;
        }
        if (reader.read(&image))
            return true;
        *why = QStringLiteral("image PNG illisible");
        return false;
    }
    *why = QStringLiteral("la réponse n'est pas une image");
    return false;
}

// An answer short of its part by no more than the server's rounding allows, completed by
// repeating its last column and row; any other answer as it is.
QImage completed(const QImage &answer, const TilePiece &piece)
{
    const int right = piece.crop.x() + piece.crop.width(), bottom = piece.crop.y() + piece.crop.height();
    const int missingW = right - answer.width(), missingH = bottom - answer.height();
    if ((missingW <= 0 && missingH <= 0) || missingW > piece.slack.width() || missingH > piece.slack.height()
        || answer.isNull())
        return answer;
    const QImage from = answer.convertToFormat(QImage::Format_RGB32);
    QImage whole(qMax(right, from.width()), qMax(bottom, from.height()), QImage::Format_RGB32);
    for (int y = 0; y < whole.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(from.constScanLine(qMin(y, from.height() - 1)));
        auto *out = reinterpret_cast<QRgb *>(whole.scanLine(y));
        std::copy(in, in + from.width(), out);
        std::fill(out + from.width(), out + whole.width(), in[from.width() - 1]);
    }
    return whole;
}

} // namespace

bool assembleTile(QSize tileSize, const QList<TilePiece> &pieces, const QList<QByteArray> &answers, QByteArray *out,
                  QString *why, TileMaking *making, int rotation)
{
    auto made = [&](TileMaking how) {
        if (making)
            *making = how;
        return true;
    };
    QString reason;
    auto refuse = [&](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (pieces.isEmpty() || pieces.size() != answers.size() || tileSize.isEmpty())
        return refuse(QStringLiteral("réponses incomplètes"));
    // One JPEG answer: the tile as it is when it is the whole answer, else its part cut on
    // the answer's blocks where its edges allow; an answer that does not cover the part, or
    // is larger than asked, is refused below.
    const TilePiece &first = pieces.first();
    if (pieces.size() == 1 && rotation == 0 && isJpeg(answers.first()) && first.crop.size() == tileSize
        && first.place.isNull()) {
        jpeg::Header header;
        if (jpeg::readHeader(answers.first(), header).ok() && QRect(QPoint(), header.size()).contains(first.crop)
            && header.width <= first.largest.width() && header.height <= first.largest.height()) {
            if (first.crop == QRect(QPoint(), header.size())) {
                *out = answers.first();
                return made(TileMaking::AsIs);
            }
            if (jpeg::cropLossless(answers.first(), first.crop, *out).ok())
                return made(TileMaking::Lossless);
        }
    }
    const QSize unturned = rotation % 180 ? tileSize.transposed() : tileSize;
    QImage tile(unturned, QImage::Format_RGB32);
    tile.fill(Qt::white);
    QPainter painter(&tile);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const TilePiece &piece = pieces[i];
        QImage answer;
        if (!decodeAnswer(answers[i], answer, &reason))
            return refuse(reason);
        answer = completed(answer, piece);
        const QSize got = answer.size();
        if (!QRect(QPoint(), got).contains(piece.crop) || got.width() > piece.largest.width()
            || got.height() > piece.largest.height())
            return refuse(QStringLiteral("image de taille inattendue (%1 x %2)").arg(got.width()).arg(got.height()));
        painter.drawImage(piece.place, answer, piece.crop);
    }
    painter.end();
    if (rotation % 360 != 0)
        tile = tile.transformed(QTransform().rotate(rotation));
    const jpeg::Status status = jpeg::encode(tile, *out, kStoredQuality);
    if (!status.ok())
        return refuse(status.message());
    return made(TileMaking::Reencoded);
}

} // namespace source
