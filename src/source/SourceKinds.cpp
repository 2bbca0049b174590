// The one table of the kinds of server.
#include "source/SourceKind.h"

#include <QRegularExpression>

namespace source {

extern const SourceKind kIiifKind;
extern const SourceKind kDeepZoomKind;
extern const SourceKind kZoomifyKind;
extern const SourceKind kClassicKind;

const QList<const SourceKind *> &sourceKinds()
{
    static const QList<const SourceKind *> kinds{&kIiifKind, &kDeepZoomKind, &kZoomifyKind, &kClassicKind};
    return kinds;
}

const SourceKind &sourceKind(Kind kind)
{
    for (const SourceKind *entry : sourceKinds())
        if (entry->kind == kind)
            return *entry;
    return kIiifKind;
}

QString addableKinds(KindListing listing)
{
    QStringList names;
    for (const SourceKind *entry : sourceKinds())
        if (entry->reader) {
            const char *form = listing == KindListing::AddressForms ? entry->addressForm
                               : listing == KindListing::TypedForms ? entry->typedForms
                                                                    : nullptr;
            names << QString::fromUtf8(form ? form : entry->label);
        }
    return names.join(QStringLiteral(", "));
}

bool isWebAddress(const QString &text, const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return !text.isEmpty() && !text.contains(QRegularExpression(QStringLiteral("\\s"))) && url.isValid()
           && !url.host().isEmpty() && (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"));
}

} // namespace source
