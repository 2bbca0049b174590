#include "support/PythonServer.h"
#include "support/Wait.h"

#include <QFile>
#include <QJsonDocument>
#include <QSet>
#include <QStandardPaths>

namespace testing_support {

PythonServer::~PythonServer()
{
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(30000);
    }
}

bool PythonServer::start(const QString &root, const QStringList &extraArguments, QString *error)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        if (error)
            *error = QStringLiteral("python3 is not installed (scripts/install-deps installs it)");
        return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(python, QStringList{QStringLiteral("-u"), QStringLiteral(HTTP_SERVER_SCRIPT),
                                         QStringLiteral("--root"), root}
                                 + extraArguments);
    QObject::connect(m_process.get(), &QProcess::readyReadStandardOutput, [this] { readLines(); });
    if (!waitUntil([this] { return m_port != 0 || m_process->state() == QProcess::NotRunning; }, 60000)
        || m_port == 0) {
        if (error)
            *error = QStringLiteral("the Python server did not start: ")
                     + QString::fromLocal8Bit(m_process->readAllStandardError());
        return false;
    }
    return true;
}

bool PythonServer::startSearch(const QString &root, const QJsonArray &documents, int repeat, QString *error)
{
    const QString records = root + QStringLiteral("/records.json");
    QFile file(records);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(documents).toJson()) < 0) {
        if (error)
            *error = QStringLiteral("cannot write ") + records;
        return false;
    }
    file.close();
    QStringList arguments{QStringLiteral("--records"), records};
    if (repeat > 0)
        arguments << QStringLiteral("--repeat") << QString::number(repeat);
    return start(root, arguments, error);
}

void PythonServer::readLines()
{
    while (m_process->canReadLine()) {
        const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
        if (line.startsWith(QStringLiteral("PORT ")))
            m_port = quint16(line.mid(5).toUInt());
        else if (line.startsWith(QStringLiteral("REQ "))) {
            m_ports << line.section(u' ', 1, 1).toInt();
            m_paths << line.section(u' ', 2, 2);
            m_agents << line.section(u' ', 3);
        }
    }
}

QStringList PythonServer::paths()
{
    readLines();
    return m_paths;
}

QList<int> PythonServer::clientPorts()
{
    readLines();
    return m_ports;
}

QStringList PythonServer::userAgents()
{
    readLines();
    return m_agents;
}

int PythonServer::connectionCount()
{
    const QList<int> ports = clientPorts();
    return int(QSet<int>(ports.begin(), ports.end()).size());
}

QString PythonServer::base(bool https) const
{
    return (https ? QStringLiteral("https://127.0.0.1:") : QStringLiteral("http://127.0.0.1:")) + QString::number(m_port);
}

} // namespace testing_support
