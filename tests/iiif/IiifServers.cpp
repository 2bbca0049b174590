#include "IiifServers.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cmath>

namespace testing_support {

QString findProgram(const QString &name)
{
    if (name.startsWith(u'/'))
        return QFileInfo(name).isExecutable() ? name : QString();
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found;
}

bool haveProgram(const QString &path, QString *why)
{
    if (!findProgram(path).isEmpty())
        return true;
    if (why)
        *why = path + QStringLiteral(" is not installed (scripts/install-deps installs it)");
    return false;
}

QImage makeSmoothPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, QColor(230, 220, 190));
    g.setColorAt(1, QColor(90, 130, 170));
    p.fillRect(image.rect(), g);
    // Large blocks whose place tells a misplaced tile at once.
    for (int y = 0; y < height; y += 97)
        for (int x = 0; x < width; x += 131)
            p.fillRect(QRect(x + 20, y + 20, 60, 45), QColor((x * 7) % 200 + 30, (y * 5) % 200 + 30, 80));
    return image;
}

double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                   + std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return sum / (3.0 * x.width() * x.height());
}

namespace {

bool run(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(findProgram(program), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (error)
            *error = program + u' ' + arguments.join(u' ') + QStringLiteral(": ")
                     + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

bool writeVipsTree(const QImage &picture, const QString &folder, const QString &layout, int tileSize, QString *error)
{
    const QString source = folder + QStringLiteral(".png");
    if (!picture.save(source))
        return false;
    return run(QStringLiteral("vips"),
               {QStringLiteral("dzsave"), source, folder, QStringLiteral("--layout"), layout,
                QStringLiteral("--tile-size"), QString::number(tileSize), QStringLiteral("--suffix"),
                QStringLiteral(".jpg[Q=92]")},
               error);
}

bool writePyramidalTiff(const QImage &picture, const QString &path, int tileSize, QString *error)
{
    const QString source = path + QStringLiteral(".png");
    if (!picture.save(source))
        return false;
    return run(QStringLiteral("vips"),
               {QStringLiteral("tiffsave"), source, path, QStringLiteral("--tile"), QStringLiteral("--pyramid"),
                QStringLiteral("--compression"), QStringLiteral("jpeg"), QStringLiteral("--Q"), QStringLiteral("92"),
                QStringLiteral("--tile-width"), QString::number(tileSize), QStringLiteral("--tile-height"),
                QString::number(tileSize)},
               error);
}

bool makeCertificate(const QString &folder, QString *certPath, QString *keyPath, QString *error)
{
    *certPath = folder + QStringLiteral("/cert.pem");
    *keyPath = folder + QStringLiteral("/key.pem");
    return run(QStringLiteral("openssl"),
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                QStringLiteral("-keyout"), *keyPath, QStringLiteral("-out"), *certPath},
               error);
}

IipServer::~IipServer()
{
    if (m_process) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000))
            m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool IipServer::start(const QString &folder, const QString &workFolder, QString *error)
{
    const QString iipsrv = QStringLiteral("/usr/lib/iipimage-server/iipsrv.fcgi");
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        const QString config = workFolder + QStringLiteral("/lighttpd.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QString text = QStringLiteral(
            "server.modules = (\"mod_fastcgi\")\n"
            "server.document-root = \"%1\"\n"
            "server.bind = \"127.0.0.1\"\n"
            "server.port = %2\n"
            "server.errorlog = \"%3/lighttpd-error.log\"\n"
            "fastcgi.server = ( \"/iiif\" => (( \"socket\" => \"%3/iipsrv.sock\", \"bin-path\" => \"%4\",\n"
            "  \"max-procs\" => 1, \"check-local\" => \"disable\",\n"
            "  \"bin-environment\" => ( \"FILESYSTEM_PREFIX\" => \"%1/\", \"LOGFILE\" => \"%3/iipsrv.log\",\n"
            "    \"VERBOSITY\" => \"0\", \"MAX_CVT\" => \"8192\" ) )) )\n")
                                 .arg(folder, QString::number(m_port), workFolder, iipsrv);
        file.write(text.toUtf8());
        file.close();
        m_process = std::make_unique<QProcess>();
        m_process->start(findProgram(QStringLiteral("lighttpd")),
                         {QStringLiteral("-D"), QStringLiteral("-f"), config});
        // Ready once it accepts connections; a port taken meanwhile ends the process.
        const bool up = waitUntil(
            [this] {
                if (m_process->state() == QProcess::NotRunning)
                    return true;
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, m_port);
                return probe.waitForConnected(200);
            },
            60000);
        // A process that answers is running, even if its start is not reported yet.
        if (up && m_process->state() != QProcess::NotRunning)
            return true;
        if (error)
            *error = QStringLiteral("lighttpd did not start: ") + QString::fromLocal8Bit(m_process->readAllStandardError());
        m_process->terminate();
        m_process->waitForFinished(5000);
        m_process.reset();
    }
    return false;
}

QString IipServer::imageBase(const QString &fileName) const
{
    return QStringLiteral("http://127.0.0.1:%1/iiif?IIIF=%2").arg(m_port).arg(fileName);
}

} // namespace testing_support
