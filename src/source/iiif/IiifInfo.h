#pragma once
// Reading IIIF documents: an image's description (info.json of the Image API 1.1, 2 and 3),
// a Presentation manifest (versions 2 and 3), whose canvases each show one image, and a
// collection, which lists manifests. What a document is follows from its content, whatever
// its address.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QSize>
#include <QString>
#include <optional>

namespace iiif {

struct ImageInfo {
    int version = 2;          // 1 (Image API 1.1), 2 or 3
    QString id;               // the address the description declares (not relied upon)
    int width = 0;
    int height = 0;
    int tileWidth = 0;        // 0 when the server names no tiles
    int tileHeight = 0;
    QList<int> scaleFactors;  // ascending; {1} when none is named
    int level = 0;            // compliance level 0, 1 or 2
    bool regionByPx = false;  // any region given in pixels
    bool sizeByW = false;     // any width ("w," or "w,h")
    bool sizeByWh = false;    // any width and height together ("w,h")
    int maxWidth = 0;         // 0 when unlimited
    int maxHeight = 0;
    qint64 maxArea = 0;
    QList<QSize> sizes;       // the whole picture's sizes the server offers, smallest first

    // "native" for 1.1, "default" after.
    QString quality() const { return version == 1 ? QStringLiteral("native") : QStringLiteral("default"); }
};

// Nothing, and `why` set, when the bytes are no image description or its size is unusable.
std::optional<ImageInfo> readImageInfo(const QByteArray &json, QString *why = nullptr);

struct ManifestImage {
    // The sheet's address (IiifSheet.h): the image service's base, or a plain picture's
    // address, with the part shown and its turn; empty for a canvas without image.
    QString imageBase;
    QString why;         // for a canvas without image: why, in French
    QString label;       // the canvas's label, possibly empty
    int width = 0;       // the canvas's size as the manifest gives it
    int height = 0;
};

struct Manifest {
    int version = 2;
    QString label;
    QList<ManifestImage> images;   // one per canvas, in their order
};

std::optional<Manifest> readManifest(const QByteArray &json, QString *why = nullptr);

// A document parsed once (empty when the bytes are no JSON object), for the readings below
// that take it: a large manifest is parsed once and its bytes let go.
QJsonObject parseDocument(const QByteArray &json);
std::optional<Manifest> readManifest(const QJsonObject &document, QString *why = nullptr);

// Whether the bytes are a JSON object that describes a manifest (not an image).
bool isManifest(const QByteArray &json);

// What a document is, by its content: its "@type"/"type" (Manifest, Collection, an image
// service), or an image's "@context", "protocol" or "profile".
enum class DocumentKind { Unknown, Image, Manifest, Collection };
DocumentKind documentKind(const QByteArray &json);
DocumentKind documentKind(const QJsonObject &document);

struct CollectionEntry {
    QString address;
    QString label;
    bool collection = false;   // a collection inside the collection
};
struct Collection {
    QString label;
    QList<CollectionEntry> entries;
};
// Nothing, and `why` set, when the bytes are no collection or it lists nothing.
std::optional<Collection> readCollection(const QByteArray &json, QString *why = nullptr);
std::optional<Collection> readCollection(const QJsonObject &document, QString *why = nullptr);

} // namespace iiif
