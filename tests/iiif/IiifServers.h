#pragma once
// The peers of the IIIF tests, all on 127.0.0.1: the tests' Python server serving a folder
// (support/PythonServer.h: plain or https, with scripted answers), static IIIF trees written
// by libvips, and Debian's iipsrv behind lighttpd's FastCGI module. Each skips its test
// (with the reason) only when its program is not installed.

#include "support/PythonServer.h"

#include <QImage>
#include <QProcess>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <memory>

namespace testing_support {

// Whether a program is installed; `why` tells which one is missing.
bool haveProgram(const QString &path, QString *why);
QString findProgram(const QString &name);   // empty when absent

// A smooth picture with large features, so that JPEG keeps it close.
QImage makeSmoothPicture(int width, int height);
// Mean absolute difference per channel between two pictures of the same size (255 at most).
double meanDifference(const QImage &a, const QImage &b);

// Writes `picture` as a static IIIF tree with vips dzsave (layout "iiif" or "iiif3").
bool writeVipsTree(const QImage &picture, const QString &folder, const QString &layout, int tileSize,
                   QString *error);
// Writes `picture` as a tiled pyramidal TIFF with JPEG compression.
bool writePyramidalTiff(const QImage &picture, const QString &path, int tileSize, QString *error);
// A self-signed certificate for 127.0.0.1 and its key, as files in `folder`.
bool makeCertificate(const QString &folder, QString *certPath, QString *keyPath, QString *error);

class IipServer {
public:
    ~IipServer();
    // lighttpd with iipsrv over FastCGI, serving the images of `folder`.
    bool start(const QString &folder, const QString &workFolder, QString *error);
    // The image base address of a file of the folder: requests append to it as it stands.
    QString imageBase(const QString &fileName) const;

private:
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
};

} // namespace testing_support

// Skips the test, saying why, when a peer program is not installed.
#define REQUIRE_PROGRAM(p)                                                                                             \
    do {                                                                                                               \
        QString why;                                                                                                   \
        if (!testing_support::haveProgram(p, &why))                                                                    \
            GTEST_SKIP() << why.toStdString();                                                                         \
    } while (0)
