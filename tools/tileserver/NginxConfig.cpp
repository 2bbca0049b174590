#include "NginxConfig.h"

#include "catalogue/CassiniCatalogue.h"
#include "source/classic/ClassicLayout.h"

#include <QFile>
#include <QHostAddress>
#include <QStringList>

#include <pwd.h>
#include <sys/stat.h>

namespace nginx {

namespace {

using source::ClassicLayout;
using Part = ClassicLayout::Part;

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

// The document base is 1 followed by this many zeros: nginx has no arithmetic, so the
// position (document number - base) is written digit-wise.
constexpr int kBaseZeros = 4;
static_assert(ClassicLayout::kArchiveDocumentBase == 10000, "the expressions below subtract a 1 and four zeros");
// Leading digits of a document number above the base's zeros: at most this many.
constexpr int kLeadingDigits = ClassicLayout::kMaxDocumentDigits - kBaseZeros;
static_assert(kLeadingDigits == 2, "the expressions below take one or two leading digits");

// Document number (as sent, up to 6 digits) -> archive position (number - 10000), written
// as regular expressions.
QStringList archivePositions()
{
    QStringList lines;
    lines << QStringLiteral("        \"~^0*1(?=\\d{%1}$)0*([1-9]\\d*)$\" \"$1\";").arg(kBaseZeros);
    for (int first = 2; first <= 9; ++first)
        lines << QStringLiteral("        \"~^0*%1(\\d{%3})$\" \"%2$1\";").arg(first).arg(first - 1).arg(kBaseZeros);
    for (int firstTwo = 10; firstTwo <= 99; ++firstTwo)
        lines << QStringLiteral("        \"~^%1(\\d{%3})$\" \"%2$1\";").arg(firstTwo).arg(firstTwo - 1).arg(kBaseZeros);
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
                             .arg(quoted(number + u'/' + ClassicLayout::folder(0)),
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
      << QStringLiteral("    # number, folder and tile name of %1<number>/<folder>/%2xx%3.")
             .arg(QLatin1StringView(ClassicLayout::kDocumentsPath), QLatin1StringView(ClassicLayout::kTilePrefix),
                  QLatin1StringView(ClassicLayout::kTileSuffix))
      << QStringLiteral("    map $request_uri $tile_document {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        %1 $1;").arg(quoted(u'~' + ClassicLayout::pathPattern({Part::Document})))
      << QStringLiteral("    }")
      << QStringLiteral("    map $request_uri $tile_folder {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        %1 $1;").arg(quoted(u'~' + ClassicLayout::pathPattern({Part::Folder})))
      << QStringLiteral("    }")
      << QStringLiteral("    map $request_uri $tile_name {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        %1 $1;").arg(quoted(u'~' + ClassicLayout::pathPattern({Part::TileFile})))
      << QStringLiteral("    }")
      << QString()
      << QStringLiteral("    # The Cassini sheets of both editions: document number and folder %1.").arg(ClassicLayout::folder(0))
      << QStringLiteral("    map \"$tile_document/$tile_folder\" $cassini_folder {")
      << QStringLiteral("        default \"\";");
    c << cassiniFolders();
    c << QStringLiteral("    }")
      << QStringLiteral("    map $cassini_folder $cassini_file {")
      << QStringLiteral("        \"\" \"\";")
      << QStringLiteral("        default \"/$cassini_folder/$tile_name\";")
      << QStringLiteral("    }")
      << QString()
      << QStringLiteral("    # The archive maps: position = document number - %1, folder %2 + sheet index.")
             .arg(ClassicLayout::kArchiveDocumentBase)
             .arg(QLatin1StringView(ClassicLayout::kFolderZeros))
      << QStringLiteral("    map $tile_document $archive_position {")
      << QStringLiteral("        default \"\";");
    c << archivePositions();
    c << QStringLiteral("    }")
      << QStringLiteral("    map $tile_folder $archive_sheet {")
      << QStringLiteral("        default \"\";")
      << QStringLiteral("        %1 \"F$1\";").arg(quoted(QStringLiteral("~^") + ClassicLayout::suffixedFolderPattern() + u'$'))
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
