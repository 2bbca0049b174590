#include "source/TileSource.h"

namespace source {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::DeepZoom: return QStringLiteral("dzi");
    case Kind::Zoomify: return QStringLiteral("zoomify");
    case Kind::Classic: return QStringLiteral("classic");
    case Kind::Iiif: break;
    }
    return QStringLiteral("iiif");
}

std::optional<Kind> kindFromName(const QString &name)
{
    for (const Kind kind : {Kind::Iiif, Kind::DeepZoom, Kind::Zoomify})
        if (kindName(kind) == name)
            return kind;
    return std::nullopt;
}

QString kindLabel(Kind kind)
{
    switch (kind) {
    case Kind::DeepZoom: return QStringLiteral("Deep Zoom");
    case Kind::Zoomify: return QStringLiteral("Zoomify");
    case Kind::Classic: return QStringLiteral("BNF");
    case Kind::Iiif: break;
    }
    return QStringLiteral("IIIF");
}

} // namespace source
