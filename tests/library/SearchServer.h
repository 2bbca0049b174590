#pragma once
// The tests' own search service (sru_server.py) on 127.0.0.1, serving a folder beside the
// answers, and the documents it describes.

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace testing_support {

class SearchServer {
public:
    ~SearchServer();
    // Starts the service on `root` describing `documents` (repeated up to `repeat` when
    // non-zero); false, with the reason, when it did not start.
    bool start(const QString &root, const QJsonArray &documents, int repeat = 0, QString *error = nullptr);
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QString catalogue() const { return base() + QStringLiteral("/SRU"); }
    // Paths requested so far, and the User-Agent of each.
    QStringList paths();
    QStringList userAgents();

private:
    void readLines();
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QStringList m_paths, m_agents;
};

// A document of the service.
QJsonObject document(const QString &ark, const QString &title, int views = 1);

// Writes a static IIIF tree of `picture` for an ark under `root` (the image at
// "iiif/ark:/12148/<ark>/f1" and a manifest beside it naming `base` as its server).
bool writeArkTree(const QString &root, const QString &base, const QString &ark, const QString &title, int width,
                  int height, QString *error);

} // namespace testing_support
