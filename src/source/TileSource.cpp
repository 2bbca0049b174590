#include "source/TileSource.h"
#include "source/SourceKind.h"

namespace source {

QString kindName(Kind kind)
{
    const char *name = sourceKind(kind).name;
    return name ? QString::fromLatin1(name) : QString();
}

std::optional<Kind> kindFromName(const QString &name)
{
    for (const SourceKind *entry : sourceKinds())
        if (entry->name && name == QLatin1StringView(entry->name))
            return entry->kind;
    return std::nullopt;
}

QString kindLabel(Kind kind)
{
    return QString::fromLatin1(sourceKind(kind).label);
}

} // namespace source
