#include "source/iiif/IiifInfo.h"
#include "source/iiif/IiifSheet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

namespace iiif {
namespace {

// Sizes beyond this are no real picture (and would overflow the arithmetic of tiles).
constexpr qint64 kMaxDeclaredSide = 1 << 24;

QJsonObject parseObject(const QByteArray &json, QString *why)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        if (why)
            *why = QStringLiteral("réponse qui n'est pas une description IIIF");
        return {};
    }
    return doc.object();
}

QString contextText(const QJsonObject &o)
{
    const QJsonValue c = o.value(QStringLiteral("@context"));
    if (c.isString())
        return c.toString();
    QString all;
    for (const QJsonValue &v : c.toArray())
        if (v.isString())
            all += v.toString() + u' ';
    return all;
}

QString idOf(const QJsonObject &o)
{
    const QString id = o.value(QStringLiteral("id")).toString();
    return id.isEmpty() ? o.value(QStringLiteral("@id")).toString() : id;
}

int positive(const QJsonValue &v)
{
    const double d = v.toDouble(0);
    return d >= 1 && d <= double(kMaxDeclaredSide) ? int(d) : 0;
}

// An area bound: a whole number of pixels from 1 to what 64 bits hold comfortably; anything
// else (negative, not a number, 1e300) names no bound.
qint64 areaBound(const QJsonValue &v)
{
    const double d = v.toDouble(0);
    return d >= 1 && d < 4.0e18 ? qint64(d) : 0;
}

int levelOf(const QString &profile)
{
    static const QRegularExpression level(QStringLiteral("level([0-2])"));
    const QRegularExpressionMatch m = level.match(profile);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// A language map ({"fr": ["..."]}), a plain text, a list of texts or of {"@value": ...}.
QString labelText(const QJsonValue &v)
{
    if (v.isString())
        return v.toString().simplified();
    if (v.isArray()) {
        QStringList parts;
        for (const QJsonValue &item : v.toArray()) {
            const QString t = item.isObject() ? item.toObject().value(QStringLiteral("@value")).toString()
                                              : item.toString();
            if (!t.isEmpty())
                parts << t;
        }
        return parts.isEmpty() ? QString() : parts.first().simplified();
    }
    if (v.isObject()) {
        const QJsonObject map = v.toObject();
        if (map.contains(QStringLiteral("@value")))
            return map.value(QStringLiteral("@value")).toString().simplified();
        for (const QString &language : {QStringLiteral("fr"), QStringLiteral("none"), QStringLiteral("en")})
            if (map.contains(language))
                return labelText(map.value(language));
        if (!map.isEmpty())
            return labelText(map.begin().value());
    }
    return {};
}

// Whether a service says it is an image service: by its type, its context, its protocol or
// its profile (Image API 1.1 to 3).
bool isImageService(const QJsonObject &service)
{
    const QString type = service.value(QStringLiteral("type")).toString()
                         + service.value(QStringLiteral("@type")).toString();
    if (type.startsWith(QStringLiteral("ImageService")) || type == QStringLiteral("iiif:ImageProfile"))
        return true;
    const QJsonValue profile = service.value(QStringLiteral("profile"));
    QString profiles = profile.toString();
    for (const QJsonValue &p : profile.toArray())
        profiles += u' ' + p.toString();
    const QString signs = contextText(service) + u' ' + service.value(QStringLiteral("protocol")).toString() + u' '
                          + profiles;
    return signs.contains(QStringLiteral("iiif.io/api/image")) || signs.contains(QStringLiteral("image-api"))
           || QRegularExpression(QStringLiteral("(^|\\s)level[0-2]($|\\s)")).match(profiles).hasMatch();
}

// A service that says nothing of what it is (no type, context or profile that names another
// kind): taken as the image's when no service says it is one.
bool isUntypedService(const QJsonObject &service)
{
    const QString signs = service.value(QStringLiteral("type")).toString()
                          + service.value(QStringLiteral("@type")).toString() + contextText(service)
                          + service.value(QStringLiteral("profile")).toVariant().toString();
    return signs.isEmpty();
}

// The IIIF image service of a resource (a "service" object or list): the first that says it
// is one, else the first that says nothing of its kind. A login or search service is never
// taken for the image.
QString serviceOf(const QJsonObject &resource)
{
    const QJsonValue s = resource.value(QStringLiteral("service"));
    const QJsonArray services = s.isArray() ? s.toArray() : QJsonArray{s};
    auto baseOf = [](const QJsonObject &service) {
        QString id = idOf(service);
        while (id.endsWith(u'/'))
            id.chop(1);
        return id;
    };
    for (const QJsonValue &v : services)
        if (isImageService(v.toObject()) && !baseOf(v.toObject()).isEmpty())
            return baseOf(v.toObject());
    for (const QJsonValue &v : services)
        if (isUntypedService(v.toObject()) && !baseOf(v.toObject()).isEmpty())
            return baseOf(v.toObject());
    return {};
}

QString typeOf(const QJsonObject &o)
{
    QString type = o.value(QStringLiteral("type")).toString();
    if (type.isEmpty())
        type = o.value(QStringLiteral("@type")).toString();
    return type.section(u':', -1);   // "sc:Manifest" is a Manifest
}

// A region in pixels, "x,y,w,h", "xywh=x,y,w,h" or "xywh=pixel:x,y,w,h"; null for any
// other (percentages, "full", "square").
QRect pixelRegion(QString text)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:xywh=)?(?:pixel:)?(\\d{1,9}),(\\d{1,9}),(\\d{1,9}),(\\d{1,9})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return {};
    const QRect r(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    return r.isEmpty() ? QRect() : r;
}

// What a resource's selectors keep of the image: a region (a fragment's "xywh=", an Image
// API selector's region) and an Image API selector's rotation.
Selector selectorOf(const QJsonValue &value)
{
    Selector selector;
    const QJsonArray all = value.isArray() ? value.toArray() : QJsonArray{value};
    for (const QJsonValue &v : all) {
        const QJsonObject o = v.toObject();
        const QString type = typeOf(o);
        if (type == QStringLiteral("FragmentSelector")) {
            if (const QRect r = pixelRegion(o.value(QStringLiteral("value")).toString()); !r.isNull())
                selector.region = r;
        } else if (type == QStringLiteral("ImageApiSelector")) {
            if (const QRect r = pixelRegion(o.value(QStringLiteral("region")).toString()); !r.isNull())
                selector.region = r;
            const QJsonValue rotation = o.value(QStringLiteral("rotation"));
            QString degrees = rotation.isDouble() ? QString::number(rotation.toDouble()) : rotation.toString();
            degrees.remove(u'!');   // a mirror image is shown unmirrored
            selector.rotation = ((int(degrees.toDouble()) % 360) + 360) % 360;
        }
    }
    return selector;
}

// Whether a resource is a picture that can be asked as it is: an image by its type or
// format, at an http(s) address.
bool isPlainPicture(const QJsonObject &resource)
{
    const QString id = idOf(resource);
    const bool image = typeOf(resource) == QStringLiteral("Image")
                       || resource.value(QStringLiteral("format")).toString().startsWith(QStringLiteral("image/"));
    return image && (id.startsWith(QStringLiteral("http://")) || id.startsWith(QStringLiteral("https://")));
}

} // namespace

std::optional<ImageInfo> readImageInfo(const QByteArray &json, QString *why)
{
    const QJsonObject o = parseObject(json, why);
    if (o.isEmpty())
        return std::nullopt;
    ImageInfo info;
    const QString context = contextText(o);
    if (context.contains(QStringLiteral("/image/3/")))
        info.version = 3;
    else if (context.contains(QStringLiteral("/image/2/")))
        info.version = 2;
    else if (context.contains(QStringLiteral("image-api/1.")) || o.contains(QStringLiteral("tile_width"))
             || o.contains(QStringLiteral("scale_factors")))
        info.version = 1;
    else if (o.value(QStringLiteral("type")).toString() == QStringLiteral("ImageService3"))
        info.version = 3;
    info.id = idOf(o);
    info.width = positive(o.value(QStringLiteral("width")));
    info.height = positive(o.value(QStringLiteral("height")));
    if (info.width == 0 || info.height == 0) {
        if (why)
            *why = QStringLiteral("description sans taille d'image");
        return std::nullopt;
    }

    QStringList features;
    if (info.version == 1) {
        info.tileWidth = positive(o.value(QStringLiteral("tile_width")));
        info.tileHeight = positive(o.value(QStringLiteral("tile_height")));
        for (const QJsonValue &v : o.value(QStringLiteral("scale_factors")).toArray())
            if (positive(v))
                info.scaleFactors << positive(v);
        info.level = qMax(0, levelOf(o.value(QStringLiteral("profile")).toString()));
    } else {
        const QJsonArray tiles = o.value(QStringLiteral("tiles")).toArray();
        if (!tiles.isEmpty()) {
            const QJsonObject tile = tiles.first().toObject();
            info.tileWidth = positive(tile.value(QStringLiteral("width")));
            info.tileHeight = positive(tile.value(QStringLiteral("height")));
            for (const QJsonValue &v : tile.value(QStringLiteral("scaleFactors")).toArray())
                if (positive(v))
                    info.scaleFactors << positive(v);
        }
        const QJsonValue profile = o.value(QStringLiteral("profile"));
        const QJsonArray parts = profile.isArray() ? profile.toArray() : QJsonArray{profile};
        info.level = -1;
        for (const QJsonValue &part : parts) {
            if (part.isString() && info.level < 0)
                info.level = levelOf(part.toString());
            const QJsonObject extra = part.toObject();
            for (const QJsonValue &f : extra.value(QStringLiteral("supports")).toArray())
                features << f.toString();
            // Image API 2 names the server's bounds inside the profile.
            if (!info.maxWidth)
                info.maxWidth = positive(extra.value(QStringLiteral("maxWidth")));
            if (!info.maxHeight)
                info.maxHeight = positive(extra.value(QStringLiteral("maxHeight")));
            if (!info.maxArea)
                info.maxArea = areaBound(extra.value(QStringLiteral("maxArea")));
        }
        info.level = qMax(0, info.level);
        for (const QJsonValue &f : o.value(QStringLiteral("extraFeatures")).toArray())
            features << f.toString();
        if (o.contains(QStringLiteral("maxWidth")))
            info.maxWidth = positive(o.value(QStringLiteral("maxWidth")));
        if (o.contains(QStringLiteral("maxHeight")))
            info.maxHeight = positive(o.value(QStringLiteral("maxHeight")));
        if (o.contains(QStringLiteral("maxArea")))
            info.maxArea = areaBound(o.value(QStringLiteral("maxArea")));
        if (info.maxWidth && !info.maxHeight)
            info.maxHeight = info.maxWidth;
    }
    if (info.tileWidth && !info.tileHeight)
        info.tileHeight = info.tileWidth;
    for (const QJsonValue &v : o.value(QStringLiteral("sizes")).toArray()) {
        const QSize size(positive(v.toObject().value(QStringLiteral("width"))),
                         positive(v.toObject().value(QStringLiteral("height"))));
        if (!size.isEmpty() && size.width() <= info.width && size.height() <= info.height && !info.sizes.contains(size))
            info.sizes << size;
    }
    std::sort(info.sizes.begin(), info.sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    std::sort(info.scaleFactors.begin(), info.scaleFactors.end());
    info.scaleFactors.erase(std::unique(info.scaleFactors.begin(), info.scaleFactors.end()), info.scaleFactors.end());
    if (info.scaleFactors.isEmpty())
        info.scaleFactors << 1;
    info.regionByPx = info.level >= 1 || features.contains(QStringLiteral("regionByPx"));
    // Both sides at once: Image API 3 from level 1, earlier versions at level 2.
    info.sizeByWh = info.level >= (info.version == 3 ? 1 : 2) || features.contains(QStringLiteral("sizeByWh"))
                    || features.contains(QStringLiteral("sizeByForcedWh"))
                    || features.contains(QStringLiteral("sizeByDistortedWh"));
    info.sizeByW = info.level >= 1 || features.contains(QStringLiteral("sizeByW")) || info.sizeByWh;
    return info;
}

bool isManifest(const QByteArray &json)
{
    return documentKind(json) == DocumentKind::Manifest;
}

DocumentKind documentKind(const QByteArray &json)
{
    return documentKind(parseObject(json, nullptr));
}

DocumentKind documentKind(const QJsonObject &o)
{
    const QString type = typeOf(o);
    if (type == QStringLiteral("Manifest"))
        return DocumentKind::Manifest;
    if (type == QStringLiteral("Collection"))
        return DocumentKind::Collection;
    if (isImageService(o))
        return DocumentKind::Image;
    // An image description of Image API 1.1 may name neither its context nor its profile.
    if (o.contains(QStringLiteral("width")) && o.contains(QStringLiteral("height"))
        && (o.contains(QStringLiteral("tile_width")) || o.contains(QStringLiteral("scale_factors"))))
        return DocumentKind::Image;
    return DocumentKind::Unknown;
}

std::optional<Collection> readCollection(const QByteArray &json, QString *why)
{
    const QJsonObject o = parseObject(json, why);
    if (o.isEmpty())
        return std::nullopt;
    return readCollection(o, why);
}

std::optional<Collection> readCollection(const QJsonObject &o, QString *why)
{
    Collection collection;
    collection.label = labelText(o.value(QStringLiteral("label")));
    // Version 2 lists "manifests" and "collections" (or "members"); version 3 "items".
    QJsonArray listed;
    for (const QString &key : {QStringLiteral("manifests"), QStringLiteral("collections"), QStringLiteral("members"),
                               QStringLiteral("items")})
        for (const QJsonValue &v : o.value(key).toArray())
            listed << v;
    for (const QJsonValue &v : listed) {
        const QJsonObject entry = v.toObject();
        const QString type = typeOf(entry);
        const QString address = idOf(entry);
        if (address.isEmpty() || (type != QStringLiteral("Manifest") && type != QStringLiteral("Collection")))
            continue;
        collection.entries << CollectionEntry{address, labelText(entry.value(QStringLiteral("label"))),
                                              type == QStringLiteral("Collection")};
    }
    if (collection.entries.isEmpty()) {
        if (why)
            *why = QStringLiteral("collection sans manifeste");
        return std::nullopt;
    }
    return collection;
}

std::optional<Manifest> readManifest(const QByteArray &json, QString *why)
{
    const QJsonObject o = parseObject(json, why);
    if (o.isEmpty())
        return std::nullopt;
    return readManifest(o, why);
}

QJsonObject parseDocument(const QByteArray &json)
{
    return parseObject(json, nullptr);
}

std::optional<Manifest> readManifest(const QJsonObject &o, QString *why)
{
    Manifest manifest;
    manifest.version = o.contains(QStringLiteral("items")) ? 3 : 2;
    manifest.label = labelText(o.value(QStringLiteral("label")));

    // A resource's sheet address: its image service's base, else the picture itself; a
    // SpecificResource holds the image in its "source" (version 2: "full") and says by its
    // selector which part is shown and how it is turned.
    auto addressOf = [](const QJsonObject &resource) {
        QJsonObject image = resource;
        Selector selector;
        const QJsonValue held = resource.contains(QStringLiteral("source")) ? resource.value(QStringLiteral("source"))
                                                                             : resource.value(QStringLiteral("full"));
        if (typeOf(resource) == QStringLiteral("SpecificResource") && (held.isObject() || held.isString())) {
            image = held.isObject() ? held.toObject() : QJsonObject{{QStringLiteral("id"), held.toString()}};
            selector = selectorOf(resource.value(QStringLiteral("selector")));
        }
        SheetAddress address{serviceOf(image), false, selector};
        if (address.url.isEmpty() && isPlainPicture(image))
            address = SheetAddress{idOf(image), true, selector};
        return address.url.isEmpty() ? QString() : address.text();
    };
    auto addCanvas = [&](const QJsonObject &canvas, const QJsonObject &resource) {
        QString base = addressOf(resource);
        if (base.isEmpty()) {
            // A Choice holds the images as its items.
            for (const QJsonValue &item : resource.value(QStringLiteral("items")).toArray())
                if (base.isEmpty())
                    base = addressOf(item.toObject());
        }
        ManifestImage image;
        image.imageBase = base;
        if (base.isEmpty())
            image.why = QStringLiteral("vue sans image IIIF");
        image.label = labelText(canvas.value(QStringLiteral("label")));
        image.width = positive(canvas.value(QStringLiteral("width")));
        image.height = positive(canvas.value(QStringLiteral("height")));
        // A canvas without a size of its own takes its picture's.
        if (image.width == 0 || image.height == 0) {
            const QJsonObject held = resource.value(QStringLiteral("source")).toObject();
            const QJsonObject &sized = held.isEmpty() ? resource : held;
            image.width = positive(sized.value(QStringLiteral("width")));
            image.height = positive(sized.value(QStringLiteral("height")));
        }
        manifest.images << image;
    };

    if (manifest.version == 3) {
        for (const QJsonValue &c : o.value(QStringLiteral("items")).toArray()) {
            const QJsonObject canvas = c.toObject();
            if (typeOf(canvas) != QStringLiteral("Canvas") && canvas.contains(QStringLiteral("type")))
                continue;
            const QJsonArray pages = canvas.value(QStringLiteral("items")).toArray();
            const QJsonArray annotations =
                pages.isEmpty() ? QJsonArray() : pages.first().toObject().value(QStringLiteral("items")).toArray();
            const QJsonValue body =
                annotations.isEmpty() ? QJsonValue() : annotations.first().toObject().value(QStringLiteral("body"));
            addCanvas(canvas, body.isArray() ? body.toArray().first().toObject() : body.toObject());
        }
    } else {
        const QJsonArray sequences = o.value(QStringLiteral("sequences")).toArray();
        const QJsonArray canvases =
            sequences.isEmpty() ? QJsonArray() : sequences.first().toObject().value(QStringLiteral("canvases")).toArray();
        for (const QJsonValue &c : canvases) {
            const QJsonObject canvas = c.toObject();
            const QJsonArray images = canvas.value(QStringLiteral("images")).toArray();
            addCanvas(canvas, images.isEmpty() ? QJsonObject()
                                               : images.first().toObject().value(QStringLiteral("resource")).toObject());
        }
    }
    if (std::none_of(manifest.images.begin(), manifest.images.end(),
                     [](const ManifestImage &image) { return !image.imageBase.isEmpty(); })) {
        if (why)
            *why = QStringLiteral("manifeste sans image IIIF");
        return std::nullopt;
    }
    return manifest;
}

} // namespace iiif
