#include "SearchServer.h"
#include "iiif/IiifServers.h"
#include "net/Wait.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace testing_support {

SearchServer::~SearchServer()
{
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool SearchServer::start(const QString &root, const QJsonArray &documents, int repeat, QString *error)
{
    const QString records = root + QStringLiteral("/records.json");
    QFile file(records);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(documents).toJson()) < 0)
        return false;
    file.close();
    m_process = std::make_unique<QProcess>();
    QStringList arguments{QStringLiteral("-u"), QStringLiteral(SEARCH_SERVER_SCRIPT), QStringLiteral("--root"), root,
                          QStringLiteral("--records"), records};
    if (repeat > 0)
        arguments << QStringLiteral("--repeat") << QString::number(repeat);
    m_process->start(findProgram(QStringLiteral("python3")), arguments);
    QObject::connect(m_process.get(), &QProcess::readyReadStandardOutput, [this] { readLines(); });
    if (!waitUntil([this] { return m_port != 0 || m_process->state() == QProcess::NotRunning; }, 20000) || m_port == 0) {
        if (error)
            *error = QStringLiteral("the search server did not start: ")
                     + QString::fromLocal8Bit(m_process->readAllStandardError());
        return false;
    }
    return true;
}

void SearchServer::readLines()
{
    while (m_process->canReadLine()) {
        const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
        if (line.startsWith(QStringLiteral("PORT ")))
            m_port = quint16(line.mid(5).toUInt());
        else if (line.startsWith(QStringLiteral("REQ "))) {
            m_agents << line.section(u' ', 1, 1);
            m_paths << line.section(u' ', 2);
        }
    }
}

QStringList SearchServer::paths()
{
    readLines();
    return m_paths;
}

QStringList SearchServer::userAgents()
{
    readLines();
    return m_agents;
}

QJsonObject document(const QString &ark, const QString &title, int views)
{
    return QJsonObject{{QStringLiteral("ark"), ark},
                       {QStringLiteral("title"), title},
                       {QStringLiteral("creators"), QJsonArray{QStringLiteral("Cassini de Thury")}},
                       {QStringLiteral("date"), QStringLiteral("17..")},
                       {QStringLiteral("views"), views}};
}

bool writeArkTree(const QString &root, const QString &base, const QString &ark, const QString &title, int width,
                  int height, QString *error)
{
    const QString folder = root + QStringLiteral("/iiif/ark:/12148/") + ark;
    QDir().mkpath(folder);
    if (!writeVipsTree(makeSmoothPicture(width, height), folder + QStringLiteral("/f1"), QStringLiteral("iiif"), 256, error))
        return false;
    const QString service = base + QStringLiteral("/iiif/ark:/12148/") + ark + QStringLiteral("/f1");
    QFile manifest(folder + QStringLiteral("/manifest.json"));
    if (!manifest.open(QIODevice::WriteOnly))
        return false;
    manifest.write(QStringLiteral(
        R"({"@context": "http://iiif.io/api/presentation/3/context.json", "type": "Manifest",
  "label": {"fr": ["%1"]},
  "items": [{"type": "Canvas", "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation",
     "body": {"type": "Image", "service": [{"id": "%2", "type": "ImageService2"}]}}]}]}]})")
                       .arg(title, service)
                       .toUtf8());
    return true;
}

} // namespace testing_support
