#include "source/iiif/IiifAddress.h"
#include "source/iiif/IiifSheet.h"

#include <QRegularExpression>
#include <QUrl>

namespace iiif {
namespace {

// The library's name-assigning authority: arks of other authorities are not the library's.
const QString kGallicaAuthority = QStringLiteral("12148");

QString gallicaImage(const QString &name, const QString &view)
{
    return QStringLiteral("https://") + kGallicaHost + QStringLiteral("/iiif/ark:/") + kGallicaAuthority + u'/'
           + name + QStringLiteral("/f") + (view.isEmpty() ? QStringLiteral("1") : view);
}

// "ark:/12148/NAME" followed by "/fN" (any suffix such as ".item" after it) or by nothing
// that continues the name.
std::optional<Address> fromArk(const QString &text)
{
    static const QRegularExpression ark(
        QStringLiteral("ark:/(\\d+)/([A-Za-z0-9]+)(?:/f(\\d{1,5})(?=$|[./?#]))?(?=$|[./?#])"));
    const QRegularExpressionMatch m = ark.match(text);
    if (!m.hasMatch() || m.captured(1) != kGallicaAuthority)
        return std::nullopt;
    QString view = m.captured(3);
    while (view.size() > 1 && view.startsWith(u'0'))
        view.remove(0, 1);
    if (view == QStringLiteral("0"))
        return std::nullopt;
    return Address{Address::Kind::Image, gallicaImage(m.captured(2), view)};
}

bool isHttp(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"))
           && !url.host().isEmpty();
}

// An image base: an http(s) address with a host and a path that names something (not only
// slashes). On the library's server the base is a view of a document by its ark.
bool isImageBase(const QString &base)
{
    const QUrl url(base, QUrl::StrictMode);
    if (!isHttp(url) || url.path().count(u'/') == url.path().size())
        return false;
    if (url.host().compare(kGallicaHost, Qt::CaseInsensitive) != 0)
        return true;
    static const QRegularExpression view(QStringLiteral("^/iiif/ark:/12148/[A-Za-z0-9]+/f\\d+$"));
    return view.match(url.path()).hasMatch();
}

// A path that names a Presentation document rather than an image: a ".json" file, or a
// "manifest" or "collection" part ("/manifest/<id>", "/manifests/15826830.json",
// "/manifest-service.json", "/iiif/manifest/1", ".../manifest/"). What it is in the end is
// read from its content.
bool isDocumentPath(const QString &path)
{
    static const QRegularExpression document(QStringLiteral("(^|/)(manifests?|collections?)([-_./]|$)|\\.json$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return document.match(path).hasMatch();
}

} // namespace

std::optional<Address> parseAddress(const QString &given)
{
    const QString text = given.trimmed();
    if (text.isEmpty() || text.contains(QRegularExpression(QStringLiteral("\\s"))))
        return std::nullopt;

    if (text.startsWith(QStringLiteral("ark:/"), Qt::CaseInsensitive))
        return fromArk(text);

    const QUrl url(text, QUrl::StrictMode);
    if (!isHttp(url))
        return std::nullopt;

    // A page of the library's site that names a document by its ark.
    const bool gallica = url.host().compare(kGallicaHost, Qt::CaseInsensitive) == 0;
    if (gallica && url.path().startsWith(QStringLiteral("/ark:")))
        return fromArk(url.path());

    if (text.endsWith(QStringLiteral("/info.json"))) {
        const QString base = text.chopped(int(qstrlen("/info.json")));
        if (!isImageBase(base))
            return std::nullopt;
        return Address{Address::Kind::Image, base};
    }
    // An image request: base/region/size/rotation/quality.format.
    static const QRegularExpression request(QStringLiteral(
        "/(?:full|square|\\d+,\\d+,\\d+,\\d+|pct:[\\d.]+,[\\d.]+,[\\d.]+,[\\d.]+)"
        "/(?:full|max|\\^?max|\\^?!?\\d*,\\d*|\\^?pct:[\\d.]+)"
        "/!?\\d+(?:\\.\\d+)?"
        "/(?:default|native|color|colour|gray|grey|bitonal)\\.(?:jpg|jpeg|png|tif|tiff|gif|webp|jp2)$"));
    QString base = text;
    const QRegularExpressionMatch m = request.match(base);
    if (m.hasMatch())
        base.truncate(m.capturedStart());
    else if (isDocumentPath(url.path()))
        return Address{Address::Kind::Manifest, text};
    while (base.endsWith(u'/'))
        base.chop(1);
    if (!isImageBase(base))
        return std::nullopt;
    return Address{Address::Kind::Image, base};
}

QString refusalText(const QString &text)
{
    return QStringLiteral("Adresse IIIF incorrecte : ") + text;
}

QString pageAddress(const QString &imageBase)
{
    static const QRegularExpression gallica(
        QStringLiteral("^https?://gallica\\.bnf\\.fr/iiif/(ark:/12148/[A-Za-z0-9]+)/f(\\d+)$"));
    const QRegularExpressionMatch m = gallica.match(imageBase);
    if (m.hasMatch())
        return QStringLiteral("https://") + kGallicaHost + u'/' + m.captured(1) + QStringLiteral("/f")
               + m.captured(2) + QStringLiteral(".item");
    // A sheet of a plain picture shows the picture; one of a part of an image, the image's
    // description.
    const SheetAddress sheet = SheetAddress::parse(imageBase);
    return sheet.picture ? sheet.url : sheet.url + QStringLiteral("/info.json");
}

} // namespace iiif
