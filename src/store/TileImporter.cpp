#include "store/TileImporter.h"
#include "imaging/Jpeg.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "store/TileStore.h"
#include "store/TileWriter.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {
namespace {

constexpr qint64 kPiece = 256 * 1024;

// A source file opened without blocking (a pipe under a tile's name must not hang the
// import); only regular files count.
struct Source {
    int fd = -1;
    qint64 size = 0;
    explicit Source(const QString &path)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat info {};
        if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            ::close(fd);
            fd = -1;
        }
        size = info.st_size;
    }
    ~Source()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Reads up to `max` bytes; empty at the end, false on an error.
    bool read(QByteArray &piece, qint64 max)
    {
        piece.resize(qsizetype(max));
        for (;;) {
            const ssize_t n = ::read(fd, piece.data(), size_t(max));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            piece.resize(qsizetype(n));
            return true;
        }
    }
};

} // namespace

static ImportResult copyTiles(const QString &backupFolder, const QString &mapFolder,
                              const std::function<void(int)> &step)
{
    ImportResult result;
    createFolderPath(mapFolder);
    for (int i = 0; i < kTileCount; ++i) {
        const QString name = walkFileName(i);
        const QString sourcePath = paths::join(backupFolder, name);
        if (QFile::exists(sourcePath)) {
            Source source(sourcePath);
            if (source.fd < 0) {
                result.error = QStringLiteral("Lecture impossible du fichier %1").arg(sourcePath);
                return result;
            }
            jpeg::Header header;
            jpeg::Status status = jpeg::readHeaderFromFile(sourcePath, header);
            if (status.ok() && source.size > kMaxTileBytes)
                status = jpeg::Status{jpeg::kTooBigCode};
            if (!status.ok()) {
                result.error = status.message();
                return result;
            }
            // The tile reaches its name only once it is written whole and decodes whole; a
            // tile already there stays as it was when anything fails.
            TileWriter target(paths::join(mapFolder, name));
            const QString writeError = QStringLiteral("Ecriture impossible du fichier %1").arg(target.finalPath());
            if (!target.open()) {
                result.error = writeError;
                return result;
            }
            QByteArray piece;
            for (;;) {
                if (!source.read(piece, kPiece)) {
                    result.error = QStringLiteral("Lecture impossible du fichier %1").arg(sourcePath);
                    return result;
                }
                if (piece.isEmpty())
                    break;
                if (target.written() + piece.size() > kMaxTileBytes) {
                    result.error = jpeg::Status{jpeg::kTooBigCode}.message();
                    return result;
                }
                if (!target.write(piece)) {
                    result.error = writeError;
                    return result;
                }
            }
            switch (target.commit()) {
            case TileWriter::Result::Installed:
                break;
            case TileWriter::Result::NotPicture:
                result.error = target.pictureStatus().message();
                return result;
            case TileWriter::Result::WriteError:
                result.error = writeError;
                return result;
            }
            ++result.copied;
        }
        if (step)
            step(i);
    }
    return result;
}

ImportResult importTiles(const QString &backupFolder, const QString &mapFolder,
                         const std::function<void(int)> &step)
{
    qCDebug(lcStore) << "import starts:" << backupFolder << "into" << mapFolder;
    const ImportResult result = copyTiles(backupFolder, mapFolder, step);
    if (!result.ok())
        qCWarning(lcStore) << "import into" << mapFolder << "stopped after" << result.copied << "tile(s):" << result.error;
    qCDebug(lcStore) << "import ends:" << result.copied << "tile(s) copied into" << mapFolder;
    return result;
}

} // namespace store
