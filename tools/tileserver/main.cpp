// orvantis-tileserver: serves the tiles of a maps root over HTTP/1.0 under the library's paths.
#include "TileServer.h"
#include "platform/Paths.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QHostAddress>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvantis-tileserver"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTIS_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves the tiles of a maps root under the library's paths."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption rootOption(QStringLiteral("root"), QStringLiteral("Maps root to serve (default: the current folder)."),
                                        QStringLiteral("DIR"), QDir::currentPath());
    const QCommandLineOption listenOption(QStringLiteral("listen"), QStringLiteral("Address and port to listen on (default 127.0.0.1:8077)."),
                                          QStringLiteral("ADDR:PORT"), QStringLiteral("127.0.0.1:8077"));
    const QCommandLineOption maxConnectionsOption(
        QStringLiteral("max-connections"),
        QStringLiteral("Most connections served at once (default %1).").arg(TileServer::kDefaultMaxConnections),
        QStringLiteral("N"), QString::number(TileServer::kDefaultMaxConnections));
    parser.addOption(rootOption);
    parser.addOption(listenOption);
    parser.addOption(maxConnectionsOption);
    parser.process(app);

    bool countOk = false;
    const int maxConnections = parser.value(maxConnectionsOption).toInt(&countOk);
    if (!countOk || maxConnections < 1) {
        std::fprintf(stderr, "orvantis-tileserver: --max-connections wants a number above 0, not %s\n",
                     qPrintable(parser.value(maxConnectionsOption)));
        return 2;
    }

    const QString root = QDir(parser.value(rootOption)).absolutePath();
    if (!QDir(root).exists()) {
        std::fprintf(stderr, "orvantis-tileserver: no folder %s\n", qPrintable(root));
        return 2;
    }
    const QString listen = parser.value(listenOption);
    const int colon = listen.lastIndexOf(u':');
    bool portOk = false;
    const int port = listen.mid(colon + 1).toInt(&portOk);
    QHostAddress address;
    if (colon <= 0 || !portOk || port < 0 || port > 65535 || !address.setAddress(listen.left(colon))) {
        std::fprintf(stderr, "orvantis-tileserver: --listen wants ADDR:PORT, not %s\n", qPrintable(listen));
        return 2;
    }

    TileServer server(root);
    server.setMaxConnections(maxConnections);
    QObject::connect(&server, &TileServer::logLine, [](const QString &line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    if (!server.listen(address, quint16(port))) {
        std::fprintf(stderr, "orvantis-tileserver: cannot listen on %s: %s\n", qPrintable(listen),
                     qPrintable(server.errorString()));
        return 1;
    }
    std::printf("orvantis-tileserver: serving %s on %s:%u\n", qPrintable(root),
                qPrintable(address.toString()), unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
