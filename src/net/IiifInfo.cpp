#include "net/IiifInfo.h"

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

// The first IIIF image service of a resource (a "service" object or list).
QString serviceOf(const QJsonObject &resource)
{
    const QJsonValue s = resource.value(QStringLiteral("service"));
    QJsonArray services = s.isArray() ? s.toArray() : QJsonArray{s};
    for (const QJsonValue &v : services) {
        const QJsonObject service = v.toObject();
        const QString type = service.value(QStringLiteral("type")).toString()
                             + service.value(QStringLiteral("@type")).toString();
        const QString context = contextText(service) + service.value(QStringLiteral("profile")).toString();
        const bool image = type.startsWith(QStringLiteral("ImageService")) || context.contains(QStringLiteral("image"))
                           || type.isEmpty();
        QString id = idOf(service);
        while (id.endsWith(u'/'))
            id.chop(1);
        if (image && !id.isEmpty())
            return id;
    }
    return {};
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
    std::sort(info.scaleFactors.begin(), info.scaleFactors.end());
    info.scaleFactors.erase(std::unique(info.scaleFactors.begin(), info.scaleFactors.end()), info.scaleFactors.end());
    if (info.scaleFactors.isEmpty())
        info.scaleFactors << 1;
    info.regionByPx = info.level >= 1 || features.contains(QStringLiteral("regionByPx"));
    info.sizeByW = info.level >= 1 || features.contains(QStringLiteral("sizeByW"))
                   || features.contains(QStringLiteral("sizeByWh"));
    return info;
}

bool isManifest(const QByteArray &json)
{
    const QJsonObject o = parseObject(json, nullptr);
    const QString type = o.value(QStringLiteral("type")).toString() + o.value(QStringLiteral("@type")).toString();
    return type == QStringLiteral("Manifest") || type == QStringLiteral("sc:Manifest");
}

std::optional<Manifest> readManifest(const QByteArray &json, QString *why)
{
    const QJsonObject o = parseObject(json, why);
    if (o.isEmpty())
        return std::nullopt;
    Manifest manifest;
    manifest.version = o.contains(QStringLiteral("items")) ? 3 : 2;
    manifest.label = labelText(o.value(QStringLiteral("label")));

    auto addCanvas = [&](const QJsonObject &canvas, const QJsonObject &resource) {
        QString base = serviceOf(resource);
        if (base.isEmpty()) {
            // A Choice holds the images as its items.
            for (const QJsonValue &item : resource.value(QStringLiteral("items")).toArray())
                if (base.isEmpty())
                    base = serviceOf(item.toObject());
        }
        if (base.isEmpty())
            return;
        ManifestImage image;
        image.imageBase = base;
        image.label = labelText(canvas.value(QStringLiteral("label")));
        image.width = positive(canvas.value(QStringLiteral("width")));
        image.height = positive(canvas.value(QStringLiteral("height")));
        manifest.images << image;
    };

    if (manifest.version == 3) {
        for (const QJsonValue &c : o.value(QStringLiteral("items")).toArray()) {
            const QJsonObject canvas = c.toObject();
            const QJsonArray pages = canvas.value(QStringLiteral("items")).toArray();
            if (pages.isEmpty())
                continue;
            const QJsonArray annotations = pages.first().toObject().value(QStringLiteral("items")).toArray();
            if (annotations.isEmpty())
                continue;
            const QJsonValue body = annotations.first().toObject().value(QStringLiteral("body"));
            addCanvas(canvas, body.isArray() ? body.toArray().first().toObject() : body.toObject());
        }
    } else {
        const QJsonArray sequences = o.value(QStringLiteral("sequences")).toArray();
        const QJsonArray canvases =
            sequences.isEmpty() ? QJsonArray() : sequences.first().toObject().value(QStringLiteral("canvases")).toArray();
        for (const QJsonValue &c : canvases) {
            const QJsonObject canvas = c.toObject();
            const QJsonArray images = canvas.value(QStringLiteral("images")).toArray();
            if (!images.isEmpty())
                addCanvas(canvas, images.first().toObject().value(QStringLiteral("resource")).toObject());
        }
    }
    if (manifest.images.isEmpty()) {
        if (why)
            *why = QStringLiteral("manifeste sans image IIIF");
        return std::nullopt;
    }
    return manifest;
}

} // namespace iiif
