#pragma once
// The picture formats of a whole-map export, chosen by the output file's extension, with
// their limits and the texts that name them.

#include <QString>
#include <optional>

namespace exporting {

enum class Format { Jpeg, Tiff, Png };

// Largest side of a JPEG picture (libjpeg's own limit).
constexpr int kJpegMaxSide = 65500;
// JPEG quality of exported pictures and of TIFF tiles, as the view's save.
constexpr int kJpegQuality = 90;
// Past this size a TIFF file needs 64-bit offsets (BigTIFF).
constexpr qint64 kClassicTiffLimit = 4LL * 1024 * 1024 * 1024;

// ".jpg" / ".jpeg", ".tif" / ".tiff" and ".png" in any case; nothing for another name.
std::optional<Format> formatOfPath(const QString &path);

// The filters of the save dialog, JPEG first.
QString jpegFilter();
QString tiffFilter();
QString pngFilter();

// Texts shown to the user.
QString unknownFormatMessage(const QString &path);
QString jpegTooLargeMessage(int width, int height);
QString writeFailedMessage(const QString &path);

} // namespace exporting
