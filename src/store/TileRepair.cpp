#include "store/TileRepair.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <utility>

namespace store {
namespace {

// The new path of a file that is a picture of another kind than JPEG, renamed aside with its
// kind's extension added; empty when it is no such picture or cannot be renamed.
QString renameOtherPicture(const QString &path, TileRepair::LogCategory log)
{
    const QByteArray format = QImageReader::imageFormat(path);
    if (format.isEmpty() || format == "jpeg" || format == "jpg")
        return {};
    QString target = path + u'.' + QString::fromLatin1(format);
    for (int n = 2; QFileInfo::exists(target) && n < 100; ++n)
        target = path + QStringLiteral(".%1.%2").arg(n).arg(QString::fromLatin1(format));
    if (!QFile::rename(path, target))
        return {};
    qCWarning(log).noquote() << "renamed a" << format << "picture named as a tile to" << target;
    return target;
}

} // namespace

TileRepair::Verdict TileRepair::ofHeader(const jpeg::Status &status, const jpeg::Header &header)
{
    if (status.isFileError())
        return Verdict::Unopenable;
    // An empty file reads as an empty picture: unreadable like any other non-picture.
    if (status.ok())
        return header.width > 0 && header.height > 0 ? Verdict::Readable : Verdict::Damaged;
    return status.isCorrupt() ? Verdict::Damaged : Verdict::Undecodable;
}

TileRepair::Verdict TileRepair::ofDecode(const jpeg::Status &status)
{
    if (status.ok())
        return Verdict::Readable;
    if (status.isFileError())
        return Verdict::Unopenable;
    return status.isCorrupt() ? Verdict::Damaged : Verdict::Undecodable;
}

TileRepair::TileRepair(LogCategory log) : m_log(log) {}

void TileRepair::repairHeader(const QString &path)
{
    if (const QString renamed = renameOtherPicture(path, m_log); !renamed.isEmpty())
        m_renamed << renamed;
    else
        remove(path, QStringLiteral("empty, no picture or too large"));
}

void TileRepair::repairDecode(const QString &path, const jpeg::Status &status)
{
    switch (ofDecode(status)) {
    case Verdict::Damaged:
        remove(path, status.message());
        break;
    case Verdict::Undecodable:
        if (m_keptFailure.isEmpty())
            m_keptFailure = status.message();
        break;
    case Verdict::Readable:
    case Verdict::Unopenable:
        break;
    }
}

void TileRepair::remove(const QString &path, const QString &why)
{
    if (QFile::remove(path)) {
        qCWarning(m_log).noquote() << "deleted unreadable tile" << path << u'(' + why + u')';
        m_deleted << path;
    } else {
        qCWarning(m_log).noquote() << "could not delete unreadable tile" << path << u'(' + why + u')';
    }
}

QStringList TileRepair::takeDeleted()
{
    return std::exchange(m_deleted, {});
}

QStringList TileRepair::takeRenamed()
{
    return std::exchange(m_renamed, {});
}

QString TileRepair::takeKeptFailure()
{
    return std::exchange(m_keptFailure, {});
}

} // namespace store
