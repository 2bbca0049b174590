#include "store/TileWriter.h"
#include "platform/Logging.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {
namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

void closeQuietly(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

TileWriter::TileWriter(const QString &finalPath)
    : m_finalPath(finalPath)
{
}

QString TileWriter::temporaryPathFor(const QString &finalPath)
{
    const quint64 random = QRandomGenerator::system()->generate64();
    return finalPath + u'.' + QString::number(random, 36) + temporarySuffix();
}

QString TileWriter::reserveTemporary(const QString &finalPath)
{
    // A name taken by someone else (one chance in 2^64) is simply passed over.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const QString path = temporaryPathFor(finalPath);
        const int fd = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            qCWarning(lcStore) << "cannot create" << path << ":" << qt_error_string(errno);
            return {};
        }
    }
    return {};
}

int TileWriter::removeStaleTemporaries(const QString &root, qint64 maxAgeSeconds)
{
    if (root.isEmpty())
        return 0;
    const QDateTime limit = QDateTime::currentDateTimeUtc().addSecs(-maxAgeSeconds);
    int removed = 0;
    QDirIterator it(root, {QStringLiteral("*") + temporarySuffix()}, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo file = it.nextFileInfo();
        if (file.lastModified().toUTC() < limit && QFile::remove(file.filePath()))
            ++removed;
    }
    if (removed)
        qCInfo(lcStore) << "removed" << removed << "temporary file(s) left over under" << root;
    return removed;
}

TileWriter::~TileWriter()
{
    if (!m_installed)
        discard();
}

bool TileWriter::open()
{
    closeQuietly(m_fd);
    m_written = 0;
    m_failed = false;
    m_installed = false;
    // A fresh name, created exclusively: never another writer's file, never through a link.
    m_temporaryPath = temporaryPathFor(m_finalPath);
    m_fd = ::open(encoded(m_temporaryPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        qCWarning(lcStore) << "cannot create" << m_temporaryPath << ":" << qt_error_string(errno);
        m_failed = true;
        return false;
    }
    return true;
}

bool TileWriter::write(const char *data, qint64 size)
{
    if (m_fd < 0 || m_failed)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            qCWarning(lcStore) << "write to" << m_temporaryPath << "failed:" << qt_error_string(n < 0 ? errno : ENOSPC);
            m_failed = true;
            return false;
        }
        data += n;
        size -= n;
        m_written += n;
    }
    return true;
}

TileWriter::Result TileWriter::commit()
{
    if (m_fd < 0 || m_failed) {
        discard();
        return Result::WriteError;
    }
    const int fd = m_fd;
    m_fd = -1;
    return finish(fd, m_written, false, QSize());
}

TileWriter::Result TileWriter::install(const QString &temporaryPath, qint64 expectedSize, QSize expectedPicture)
{
    closeQuietly(m_fd);
    m_temporaryPath = temporaryPath;
    m_installed = false;
    m_failed = false;
    const int fd = ::open(encoded(m_temporaryPath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        qCWarning(lcStore) << "cannot open" << m_temporaryPath << ":" << qt_error_string(errno);
        discard();
        return Result::WriteError;
    }
    return finish(fd, expectedSize, true, expectedPicture);
}

TileWriter::Result TileWriter::finish(int fd, qint64 expectedSize, bool readable, QSize expectedPicture)
{
    // Every byte was handed to the system by checked, unbuffered writes; the file must now
    // hold exactly what was sent, and closing it reports what a network file system kept back.
    // (No fsync per tile: it costs about ten times a whole tile's transfer on a local disk.)
    struct stat info {};
    const bool sized = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && qint64(info.st_size) == expectedSize;
    // A file opened for reading is checked through the same descriptor: one opening less.
    if (sized && readable)
        m_pictureStatus = jpeg::checkOpenFile(fd, m_header);
    const bool closed = ::close(fd) == 0;
    if (!sized || !closed) {
        qCWarning(lcStore) << "tile" << m_finalPath << "not installed:" << (sized ? "closing failed" : "size differs")
                           << "(" << qint64(info.st_size) << "bytes of" << expectedSize << ")";
        discard();
        return Result::WriteError;
    }
    if (!readable)
        m_pictureStatus = jpeg::checkFile(m_temporaryPath, m_header);
    if (!m_pictureStatus.ok()) {
        qCWarning(lcStore) << "tile" << m_finalPath << "refused:" << m_pictureStatus.message();
        discard();
        return m_pictureStatus.isFileError() ? Result::WriteError : Result::NotPicture;
    }
    if (expectedPicture.isValid() && m_header.size() != expectedPicture) {
        qCWarning(lcStore) << "tile" << m_finalPath << "refused: its picture is" << m_header.size() << "where"
                           << expectedPicture << "was asked for";
        discard();
        return Result::NotPicture;
    }
    if (std::rename(encoded(m_temporaryPath).constData(), encoded(m_finalPath).constData()) != 0) {
        qCWarning(lcStore) << "cannot rename" << m_temporaryPath << "onto" << m_finalPath << ":" << qt_error_string(errno);
        discard();
        return Result::WriteError;
    }
    m_installed = true;
    return Result::Installed;
}

void TileWriter::discard()
{
    closeQuietly(m_fd);
    if (!m_temporaryPath.isEmpty() && !m_installed)
        ::unlink(encoded(m_temporaryPath).constData());
}

} // namespace store
