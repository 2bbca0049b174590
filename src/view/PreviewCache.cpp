#include "view/PreviewCache.h"
#include "platform/Logging.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <sys/stat.h>

namespace view {

namespace {

constexpr quint32 kMagic = 0x4f525056;   // "ORPV"
constexpr quint32 kFormat = 1;
constexpr int kMaxCellSide = 4096;

QString canonicalFolder(const QString &mapFolder)
{
    return QDir::cleanPath(QDir(mapFolder).absolutePath());
}

} // namespace

PreviewCache::PreviewCache(const QString &folder, int maxEntries) : m_folder(folder), m_maxEntries(maxEntries) {}

QString PreviewCache::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/previews");
}

QByteArray PreviewCache::keyOf(const QString &mapFolder)
{
    const QString folder = canonicalFolder(mapFolder);
    QDir dir(folder);
    if (!dir.exists())
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(folder.toUtf8());
    const QStringList tiles = dir.entryList({QStringLiteral("MAXI_*.jpg")}, QDir::Files | QDir::System,
                                            QDir::Name);
    for (const QString &name : tiles) {
        const QByteArray path = QFile::encodeName(folder + u'/' + name);
        struct stat st {};
        if (::stat(path.constData(), &st) != 0)
            continue;
        // Size, modification and change times to the nanosecond, and the file's identity:
        // a tile renamed into place over another one changes at least its inode and ctime.
        const qint64 fields[] = {qint64(st.st_size), qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec),
                                 qint64(st.st_ctim.tv_sec), qint64(st.st_ctim.tv_nsec), qint64(st.st_ino),
                                 qint64(st.st_dev)};
        hash.addData(name.toUtf8());
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(fields), sizeof fields));
    }
    return hash.result();
}

QString PreviewCache::entryFile(const QString &mapFolder) const
{
    const QByteArray id = QCryptographicHash::hash(canonicalFolder(mapFolder).toUtf8(), QCryptographicHash::Sha1);
    return m_folder + u'/' + QString::fromLatin1(id.toHex()) + QStringLiteral(".preview");
}

std::optional<PreviewCache::Entry> PreviewCache::find(const QString &mapFolder, const QByteArray &key) const
{
    if (key.isEmpty())
        return std::nullopt;
    QFile file(entryFile(mapFolder));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDataStream in(&file);
    quint32 magic = 0, format = 0;
    QByteArray storedKey;
    QString storedFolder;
    Entry entry;
    in >> magic >> format;
    if (magic != kMagic || format != kFormat)
        return std::nullopt;
    in >> storedFolder >> storedKey >> entry.tileCell >> entry.cell;
    if (in.status() != QDataStream::Ok || storedKey != key || storedFolder != canonicalFolder(mapFolder))
        return std::nullopt;
    const QSize cell = entry.cell;
    if (cell.width() <= 0 || cell.height() <= 0 || cell.width() > kMaxCellSide || cell.height() > kMaxCellSide)
        return std::nullopt;
    QByteArray present(store::kTileCount, 0);
    if (in.readRawData(present.data(), store::kTileCount) != store::kTileCount)
        return std::nullopt;
    entry.cells.resize(store::kTileCount);
    for (int i = 0; i < store::kTileCount; ++i) {
        if (!present[i])
            continue;
        QImage image(cell, QImage::Format_RGB32);
        if (image.isNull())
            return std::nullopt;
        for (int y = 0; y < cell.height(); ++y)
            if (in.readRawData(reinterpret_cast<char *>(image.scanLine(y)), cell.width() * 4) != cell.width() * 4)
                return std::nullopt;
        entry.cells[size_t(i)] = std::move(image);
    }
    return entry;
}

bool PreviewCache::store(const QString &mapFolder, const QByteArray &key, const Entry &entry) const
{
    if (key.isEmpty() || entry.cell.isEmpty() || entry.cells.size() != size_t(store::kTileCount))
        return false;
    if (!QDir().mkpath(m_folder)) {
        qCWarning(lcView) << "cannot create the preview cache folder" << m_folder;
        return false;
    }
    QSaveFile file(entryFile(mapFolder));
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcView) << "cannot write the preview of" << mapFolder << ":" << file.errorString();
        return false;
    }
    QDataStream out(&file);
    out << kMagic << kFormat << canonicalFolder(mapFolder) << key << entry.tileCell << entry.cell;
    QByteArray present(store::kTileCount, 0);
    for (int i = 0; i < store::kTileCount; ++i)
        present[i] = entry.cells[size_t(i)].isNull() ? 0 : 1;
    out.writeRawData(present.constData(), store::kTileCount);
    for (const QImage &picture : entry.cells) {
        if (picture.isNull())
            continue;
        if (picture.size() != entry.cell) {
            file.cancelWriting();
            return false;
        }
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            out.writeRawData(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 4);
    }
    if (out.status() != QDataStream::Ok || !file.commit()) {
        qCWarning(lcView) << "cannot write the preview of" << mapFolder << ":" << file.errorString();
        file.cancelWriting();
        return false;
    }
    trim();
    return true;
}

void PreviewCache::trim() const
{
    const QFileInfoList entries = QDir(m_folder).entryInfoList({QStringLiteral("*.preview")}, QDir::Files,
                                                              QDir::Time);   // newest first
    for (qsizetype i = m_maxEntries; i < entries.size(); ++i)
        QFile::remove(entries[i].filePath());
}

void PreviewCache::remove(const QString &mapFolder) const
{
    QFile::remove(entryFile(mapFolder));
}

} // namespace view
