// orvantis-tileserver: serves the tiles of a maps root over HTTP/1.0 under the library's paths,
// or writes an nginx configuration that serves them the same way.
#include "NginxConfig.h"
#include "TileServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <cstdio>
#include <unistd.h>

namespace {

QString helpText()
{
    return QStringLiteral(
               "Utilisation : orvantis-tileserver [options]\n"
               "Sert par HTTP les images d'un dossier de cartes sous les chemins de la bibliothèque,\n"
               "pour que d'autres machines les téléchargent ; ou écrit une configuration de nginx\n"
               "qui les sert de la même façon à un grand nombre de clients.\n"
               "\n"
               "Options :\n"
               "  -h, --help               Affiche cette aide et quitte.\n"
               "  -v, --version            Affiche la version du programme et quitte.\n"
               "  --root DOSSIER           Dossier des cartes à servir (par défaut : le dossier\n"
               "                           courant).\n"
               "  --listen ADRESSE:PORT    Adresse et port d'écoute (par défaut : 127.0.0.1:8077).\n"
               "  --max-connections N      Nombre de connexions servies à la fois (par défaut : %1).\n"
               "  --nginx-config           Écrit sur la sortie standard une configuration complète de\n"
               "                           nginx qui sert le dossier --root sur --listen, puis quitte.\n"
               "                           Lancement : nginx -p PREFIXE -c FICHIER (PREFIXE/logs doit\n"
               "                           exister).\n")
        .arg(TileServer::kDefaultMaxConnections);
}

int usageError(const QString &what)
{
    std::fprintf(stderr, "orvantis-tileserver : %s\nEssayez « orvantis-tileserver --help ».\n", qPrintable(what));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvantis-tileserver"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTIS_VERSION));
    QCommandLineParser parser;
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption rootOption(QStringLiteral("root"), QString(), QStringLiteral("DOSSIER"),
                                        QDir::currentPath());
    const QCommandLineOption listenOption(QStringLiteral("listen"), QString(), QStringLiteral("ADRESSE:PORT"),
                                          QStringLiteral("127.0.0.1:8077"));
    const QCommandLineOption maxConnectionsOption(QStringLiteral("max-connections"), QString(), QStringLiteral("N"),
                                                  QString::number(TileServer::kDefaultMaxConnections));
    const QCommandLineOption nginxOption(QStringLiteral("nginx-config"), QString());
    parser.addOptions({helpOption, versionOption, rootOption, listenOption, maxConnectionsOption, nginxOption});
    if (!parser.parse(QCoreApplication::arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        return usageError(unknown.isEmpty() ? QStringLiteral("valeur manquante : ") + parser.errorText()
                                            : QStringLiteral("options inconnues : ") + unknown.join(QStringLiteral(", ")));
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("argument inattendu : ") + parser.positionalArguments().join(u' '));
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(helpText()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("orvantis-tileserver %s\n", ORVANTIS_VERSION);
        return 0;
    }

    bool countOk = false;
    const int maxConnections = parser.value(maxConnectionsOption).toInt(&countOk);
    if (!countOk || maxConnections < 1)
        return usageError(QStringLiteral("--max-connections attend un nombre supérieur à 0, pas ")
                          + parser.value(maxConnectionsOption));

    const QString root = QDir(parser.value(rootOption)).absolutePath();
    if (!QDir(root).exists()) {
        std::fprintf(stderr, "orvantis-tileserver : dossier introuvable : %s\n", qPrintable(root));
        return 2;
    }
    const QString listen = parser.value(listenOption);
    const int colon = listen.lastIndexOf(u':');
    bool portOk = false;
    const int port = listen.mid(colon + 1).toInt(&portOk);
    QString host = listen.left(std::max(colon, 0));
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    QHostAddress address;
    if (colon <= 0 || !portOk || port < 0 || port > 65535 || !address.setAddress(host))
        return usageError(QStringLiteral("--listen attend ADRESSE:PORT, pas ") + listen);

    if (parser.isSet(nginxOption)) {
        const QString realRoot = QFileInfo(root).canonicalFilePath();
        const QString unusable = nginx::unusableRoot(realRoot);
        if (!unusable.isEmpty()) {
            std::fprintf(stderr, "orvantis-tileserver : %s : %s\n", qPrintable(root), qPrintable(unusable));
            return 2;
        }
        if (port == 0)
            return usageError(QStringLiteral("nginx a besoin d'un port fixe dans --listen, pas ") + listen);
        const QString user = ::geteuid() == 0 ? nginx::workerUserFor(realRoot) : QString();
        std::fputs(nginx::configuration(realRoot, {address.toString(), port}, user).toUtf8().constData(), stdout);
        return 0;
    }

    TileServer server(root);
    server.setMaxConnections(maxConnections);
    QObject::connect(&server, &TileServer::logLine, [](const QString &line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    if (!server.listen(address, quint16(port))) {
        std::fprintf(stderr, "orvantis-tileserver : écoute impossible sur %s : %s\n", qPrintable(listen),
                     qPrintable(server.errorString()));
        return 1;
    }
    std::printf("orvantis-tileserver: serving %s on %s:%u\n", qPrintable(root),
                qPrintable(address.toString()), unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
