#pragma once
// Writes one tile so that it reaches its final name only whole. The bytes go to a temporary
// file beside the tile, whose name is the writer's own (a random part, created exclusively:
// two programs fetching one sheet never share one); every write is checked and unbuffered; at the end the file's size is
// compared with what was written, its closing is checked, the picture is decoded whole, and only
// then is the file renamed onto the tile's name in one step. On any failure the temporary
// file is removed and a tile already under that name stays as it was: a tile file is never
// empty, short, or half written.
//
// The same steps serve every way a tile arrives: the import writes through write(); a body
// that another component streamed to the temporary path is handed over with install().

#include "imaging/Jpeg.h"

#include <QByteArray>
#include <QSize>
#include <QString>

namespace store {

// The largest tile accepted, whatever its source: past it a body is no tile.
constexpr qint64 kMaxTileBytes = jpeg::kMaxFileBytes;

class TileWriter {
public:
    enum class Result {
        Installed,    // the tile is in place
        NotPicture,   // the bytes are no whole picture (see pictureStatus()); nothing installed
        WriteError,   // the disk refused a write, the flush or the rename; nothing installed
    };

    // `finalPath` is the tile's native path.
    explicit TileWriter(const QString &finalPath);
    // Removes the temporary file unless the tile was installed.
    ~TileWriter();
    TileWriter(const TileWriter &) = delete;
    TileWriter &operator=(const TileWriter &) = delete;

    static QString temporarySuffix() { return QStringLiteral(".part"); }
    // A fresh name for a temporary file of the tile: "MAXI_AA.jpg.<random>.part".
    static QString temporaryPathFor(const QString &finalPath);
    // Creates, exclusively, an empty temporary file for the tile under a fresh name, for a
    // component that streams a body into it before install(); empty when none can be made.
    static QString reserveTemporary(const QString &finalPath);
    // Removes the temporary files under `root` (any depth) last written more than
    // `maxAgeSeconds` ago: those of a program that ended without cleaning up. A younger one
    // may belong to a program running now. Returns how many were removed.
    static int removeStaleTemporaries(const QString &root, qint64 maxAgeSeconds = kStaleSeconds);
    static constexpr qint64 kStaleSeconds = 24 * 60 * 60;
    QString temporaryPath() const { return m_temporaryPath; }
    QString finalPath() const { return m_finalPath; }

    // Creates (or empties) the temporary file. False when it cannot be created.
    bool open();
    // Writes every byte or returns false (the tile then cannot be installed).
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    qint64 written() const { return m_written; }

    // Flushes, compares sizes, checks the picture and renames it into place.
    Result commit();
    // Removes the temporary file; nothing is installed.
    void discard();

    // Why the last commit or install found no whole picture.
    jpeg::Status pictureStatus() const { return m_pictureStatus; }
    // Size of the installed picture.
    jpeg::Header header() const { return m_header; }

    // Installs a temporary file that was written elsewhere and holds `expectedSize` bytes:
    // the same flush, size compare, picture check and rename as commit(). A valid
    // `expectedPicture` is the size in pixels the tile must have: another is NotPicture. On
    // any outcome but Installed the temporary file is removed.
    Result install(const QString &temporaryPath, qint64 expectedSize, QSize expectedPicture = {});

private:
    Result finish(int fd, qint64 expectedSize, bool readable, QSize expectedPicture);

    QString m_finalPath;
    QString m_temporaryPath;
    int m_fd = -1;
    qint64 m_written = 0;
    bool m_failed = false;
    bool m_installed = false;
    jpeg::Status m_pictureStatus;
    jpeg::Header m_header;
};

} // namespace store
