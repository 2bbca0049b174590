#include "NginxConfig.h"

#include "catalogue/CassiniCatalogue.h"
#include "session/SelectionState.h"

#include <QFile>
#include <QHostAddress>
#include <QStringList>

#include <pwd.h>
#include <sys/stat.h>

namespace nginx {

namespace {

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

// Document number (as sent, up to 6 digits) -> archive position (number - 10000), written
// as regular expressions since nginx has no arithmetic.
QStringList archivePositions()
{
    QStringList lines;
    lines << QStringLiteral("        \"~^0*1(?=\\d{4}$)0*([1-9]\\d*)$\" \"$1\";");
    for (int first = 2; first <= 9; ++first)
        lines << QStringLiteral("        \"~^0*%1(\\d{4})$\" \"%2$1\";").arg(first).arg(first - 1);
    for (int firstTwo = 10; firstTwo <= 99; ++firstTwo)
        lines << QStringLiteral("        \"~^%1(\\d{4})$\" \"%2$1\";").arg(firstTwo).arg(firstTwo - 1);
    return lines;
}

QStringList cassiniFolders()
{
    QStringList lines;
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
        for (int item : {0, 1}) {
            const QString number = cassini::documentNumber(sheet, item);
            if (!number.isEmpty())
                lines << QStringLiteral("        %1 %2;")
                             .arg(quoted(number + QStringLiteral("/0000001")),
                                  quoted(editions::cassiniFolder(item) + QStringLiteral("/Carte")
                                         + QString::number(sheet)));
        }
    }
    return lines;
}

} // namespace

QString unusableRoot(const QString &realRoot)
{
    if (realRoot.isEmpty())
        return QStringLiteral("dossier introuvable");
    for (const QChar c : realRoot) {
        if (c == u'"' || c == u'\\' || c == u'$' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("le chemin contient le caractère non pris en charge U+%1")
                .arg(c.unicode(), 4, 16, QChar(u'0'));
    }
    return {};
}

QString workerUserFor(const QString &realRoot)
{
    struct stat info {};
    if (::stat(QFile::encodeName(realRoot).constData(), &info) == 0 && info.st_uid != 0) {
        if (const passwd *owner = ::getpwuid(info.st_uid))
            return QString::fromLocal8Bit(owner->pw_name);
    }
    return ::getpwnam("www-data") ? QStringLiteral("www-data") : QStringLiteral("nobody");
}

QString configuration(const QString &realRoot, const Listen &listen, const QString &workerUser)
{
    const QHostAddress address(listen.host);
    const QString listenOn = (address.protocol() == QAbstractSocket::IPv6Protocol
                                  ? u'[' + address.toString() + u']'
                                  : address.toString())
        + u':' + QString::number(listen.port);
    QStringList c;
    c << QStringLiteral("# Serves the maps root %1 on %2 under the library's paths, as orvantis-tileserver")
             .arg(realRoot, listenOn)
      << QStringLiteral("# does. Start:  nginx -p DIR -c FILE   (DIR/logs must exist; pid, logs and")
      << QStringLiteral("# temporary folders are kept under DIR)   Stop:  nginx -p DIR -c FILE -s quit")
      << QString();
    if (!workerUser.isEmpty())
        c << QStringLiteral("# Started as root: the workers run as %1, who must be able to read the root.")
                 .arg(workerUser)
          << QStringLiteral("user %1;").arg(workerUser);
    c << QStringLiteral("worker_processes auto;")
      << QStringLiteral("pid logs/nginx.pid;")
      << QStringLiteral("error_log logs/error.log;")
      << QString()
      << QStringLiteral("events {")
      << QStringLiteral("    worker_connections 1024;")
      << QStringLiteral("}")
      << QString()
      << QStringLiteral("http {")
      << QStringLiteral("    access_log logs/access.log;")
      << QStringLiteral("    client_body_temp_path client_body_temp;")
      << QStringLiteral("    proxy_temp_path proxy_temp;")
      << QStringLiteral("    fastcgi_temp_path fastcgi_temp;")
      << QStringLiteral("    uwsgi_temp_path uwsgi_temp;")
      << QStringLiteral("    scgi_temp_path scgi_temp;")
      << QStringLiteral("    types {")
      << QStringLiteral("        image/jpeg jpg;")
      << QStringLiteral("    }")
      << QStringLiteral("    default_type application/octet-stream;")
      << QStringLiteral("    sendfile on;")
      << QStringLiteral("    server_tokens off;")
      << QString()
      << QStringLiteral("    # The request path as sent (nothing decoded, no dot segment merged): document")
      << QStringLiteral("    # number, folder and tile name of /Fonds_ImagesZoom/077/077<number>/<folder>/MAXI_xx.jpg.")
      << QStringLiteral("    map $request_uri $tile_document {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        \"~^/Fonds_ImagesZoom/077/077(\\d{1,6})/\\d{7}/MAXI_[A-Z]{2}\\.jpg$\" $1;")
      << QStringLiteral("    }")
      << QStringLiteral("    map $request_uri $tile_folder {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        \"~^/Fonds_ImagesZoom/077/077\\d{1,6}/(\\d{7})/MAXI_[A-Z]{2}\\.jpg$\" $1;")
      << QStringLiteral("    }")
      << QStringLiteral("    map $request_uri $tile_name {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        \"~^/Fonds_ImagesZoom/077/077\\d{1,6}/\\d{7}/(MAXI_[A-Z]{2}\\.jpg)$\" $1;")
      << QStringLiteral("    }")
      << QString()
      << QStringLiteral("    # The Cassini sheets of both editions: document number and folder 0000001.")
      << QStringLiteral("    map \"$tile_document/$tile_folder\" $cassini_folder {")
      << QStringLiteral("        default \"\";");
    c << cassiniFolders();
    c << QStringLiteral("    }")
      << QStringLiteral("    map $cassini_folder $cassini_file {")
      << QStringLiteral("        \"\" \"\";")
      << QStringLiteral("        default \"/$cassini_folder/$tile_name\";")
      << QStringLiteral("    }")
      << QString()
      << QStringLiteral("    # The archive maps: position = document number - 10000, folder 0000 + sheet index.")
      << QStringLiteral("    map $tile_document $archive_position {")
      << QStringLiteral("        default \"\";");
    c << archivePositions();
    c << QStringLiteral("    }")
      << QStringLiteral("    map $tile_folder $archive_sheet {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        \"~^0000(?!000)(\\d{3})$\" \"F$1\";")
      << QStringLiteral("    }")
      << QStringLiteral("    map \"$archive_position/$archive_sheet\" $archive_file {")
      << QStringLiteral("        \"~^/\" \"\";")
      << QStringLiteral("        \"~/$\" \"\";")
      << QStringLiteral("        default \"/Archives Bnf/Carte$archive_position/$archive_sheet/$tile_name\";")
      << QStringLiteral("    }")
      << QString()
      << QStringLiteral("    server {")
      << QStringLiteral("        listen %1;").arg(listenOn)
      << QStringLiteral("        server_name _;")
      << QStringLiteral("        root %1;").arg(quoted(realRoot))
      << QStringLiteral("        autoindex off;")
      << QStringLiteral("        # No symbolic link is followed below the root.")
      << QStringLiteral("        disable_symlinks on from=$document_root;")
      << QStringLiteral("        location / {")
      << QStringLiteral("            # An empty name is the root itself, a folder: never served.")
      << QStringLiteral("            try_files $cassini_file $archive_file =404;")
      << QStringLiteral("        }")
      << QStringLiteral("    }")
      << QStringLiteral("}");
    return c.join(u'\n') + u'\n';
}

} // namespace nginx
