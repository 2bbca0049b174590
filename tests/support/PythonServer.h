#pragma once
// The tests' HTTP server (http_server.py) on 127.0.0.1: a folder served as it stands (IIIF
// trees, Deep Zoom and Zoomify pyramids, manifests, pictures), with scripted answers, over
// http or https, and the library's search service when started with documents.

#include <QJsonArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace testing_support {

class PythonServer {
public:
    ~PythonServer();
    // Serves `root` with the given extra arguments (see http_server.py); false, with the
    // reason, when it did not start.
    bool start(const QString &root, const QStringList &extraArguments = {}, QString *error = nullptr);
    // The same, with the search service describing `documents` (repeated up to `repeat`
    // when non-zero) at the catalogue's address.
    bool startSearch(const QString &root, const QJsonArray &documents, int repeat = 0, QString *error = nullptr);

    quint16 port() const { return m_port; }
    QString base(bool https = false) const;
    QString catalogue() const { return base() + QStringLiteral("/SRU"); }
    // Request paths seen so far, the client ports they came from and their User-Agent.
    QStringList paths();
    QList<int> clientPorts();
    QStringList userAgents();
    // Connections the requests came over.
    int connectionCount();

private:
    void readLines();
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QStringList m_paths, m_agents;
    QList<int> m_ports;
};

} // namespace testing_support
